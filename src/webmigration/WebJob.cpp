#include "WebJob.h"

#include <algorithm>
#include <cstdio>
#include <exception>

#include "database/SqlServer.h"
#include "files/ErrorCodes.h"
#include "files/FileFunctions.h"
#include "files/MigrationLog.h"
#include "files/Paths.h"
#include "network/WhileWaitingForServers.h"
#include "webmigration/FolderPaths.h"
#include "webmigration/Registry.h"

namespace synvora {
namespace {

constexpr const char* kNotFound = "NotFound";
constexpr const char* kInstallFolderNotFoundMessage = "Could not found the installation-folder!";
constexpr const char* kJobStoppedMessage = "The migration of the web contents was stopped!";
constexpr const char* kConnectionFailedMessage =
    "The connection to the source webserver could not be made, please check the connection information.";
constexpr const char* kDisconnectFailedMessage = "Could not disconnect the network drive!";
constexpr const char* kStopCopyQuestion =
    "The web contents are still being copied. Do you want to stop the copy? The files being copied are "
    "completed first.";

constexpr const char* kParameterTable = "SYNVORAPARAMETER";
constexpr const char* kParameterKey = "PARAMNAME";
constexpr const char* kParameterValue = "PARAMVALUE";
// Old paths are Windows paths; BuildPath turns this separator into the platform's.
constexpr const char* kOldSeparator = "\\";

/// One folder line of the job: its slot and text, and the folder it migrates.
struct FolderStep {
    int slot;
    const char* text;
    const char* folder;
    bool fromParameter;
    bool absolutePath;
};

constexpr FolderStep kFolderSteps[] = {
    {4, "- Migrate virtual attachments path...", "AttachmentsVirtualPath", true, false},
    {5, "- Migrate Excel folder...", "ExcelTempFolder", true, true},
    {6, "- Migrate Excel templates...", "ExcelTemplatesPath", true, true},
    {9, "- Migrate XML error path...", "XMLErrorPath", true, true},
    {13, "- Migrate images...", "E-Synvora/images", false, false},
    {14, "- Migrate XML Template File's...", "E-Synvora/XMLTemplate", false, false},
};

/// A folder was refused after its message was shown; the failure path follows.
struct FolderRefused {};

/// The two folder operations differ in where the locations come from and in their entry.
struct FolderOperation {
    std::int32_t number;
    const char* name;
    bool fromParameter;
};

constexpr FolderOperation kParameterFolders{ErrorCode::kMigrateParameterFolders, "MigrateParameterFolders",
                                            true};
constexpr FolderOperation kFixedFolders{ErrorCode::kMigrateFolders, "MigrateFolders", false};

std::string ReadParameter(const DatabaseFields& database, const std::string& parameter) {
    return GetValueFromDatabase(database.server, database.user, database.password, database.database,
                                kParameterValue, parameter, kParameterTable, kParameterKey);
}

void Refuse(WebJobHost& host, const std::string& message) {
    MsgBoxUnlessStopping(host, message, kMsgBoxCritical);
    throw FolderRefused{};
}

std::string NotCopied(const std::string& folderName) {
    return "The content of '" + folderName + "' could not be copied. ";
}

/// Shows the copy's progress on the page and passes on the user's stop.
class CopyProgressOnPage final : public CopyMonitor {
public:
    explicit CopyProgressOnPage(BusyWorkHost& host) : m_host(host) {}

    bool Continue(const CopyProgress& progress) override {
        m_host.ShowBusyProgress(CopyProgressText(progress), CopyProgressPermille(progress));
        return m_host.ContinueBusyWork();
    }

private:
    BusyWorkHost& m_host;
};

/// Copies with overwriting, keeping files that an earlier, interrupted run completed already.
void CopyWithProgress(WebJobHost& host, const std::string& source, const std::string& destination) {
    const BusyWorkScope busy(host, kStopCopyQuestion);
    // A server that is slow to answer, or stops answering, holds one call for up to its time-out:
    // the window stays alive meanwhile, and a stop chosen then takes effect when the call is over.
    const WhileWaitingForServers waiting([&host] { (void)host.ContinueBusyWork(); });
    CopyProgressOnPage monitor(host);
    FolderCopyOptions options;
    options.overwrite = true;
    options.skipUnchanged = true;
    options.monitor = &monitor;
    CopyFolder(source, destination, options);
}

/// The steps of one folder up to the end of its copy; source and destination hold the paths as
/// far as they were formed, for the failure entry.
void MigrateOneFolder(WebJobHost& host, const FolderOperation& operation, const std::string& installDir,
                      const std::string& folderName, bool absolutePath, std::string& source,
                      std::string& destination) {
    if (operation.fromParameter) {
        source = ReadParameter(host.SourceFields(), folderName);
        destination = ReadParameter(host.DestinationFields(), folderName);
        if (source.empty() || destination.empty()) {
            Refuse(host, NotCopied(folderName) + "The " + (source.empty() ? "source" : "destination") +
                             " database holds no folder for it.");
        }
    } else {
        source = folderName;
        destination = folderName;
    }
    const std::string configured = destination;
    const std::string mappedDrive = host.MappedDrive();
    if (absolutePath) {
        source = mappedDrive + PathTail(source);
    } else {
        source = mappedDrive + PathTail(host.WebFields().installationFolder) + kOldSeparator + source;
        destination = installDir + kOldSeparator + destination;
    }
    source = BuildPath(source);
    destination = BuildPath(destination);
    if (!FolderExists(source)) {
        Refuse(host, NotCopied(folderName) + "The source folder '" + source + "' does not exist on server '" +
                         host.SourceFields().server + "'.");
    }
    // Here "\\otherhost\share\x" would become the local folder "/otherhost/share/x". Asked first:
    // on Windows such a path is on a network drive too, and it has a message of its own.
    if (absolutePath && NamesAnotherMachine(configured)) {
        Refuse(host, NotCopied(folderName) + "The destination database names a folder on another machine: '" +
                         configured + "'.");
    }
    // A destination on a network drive could be the old server itself, which the job never
    // changes.
    if (IsOnNetworkDrive(destination)) {
        Refuse(host, NotCopied(folderName) + "The destination folder '" + destination +
                         "' is not a folder of this machine.");
    }
    if (!FolderExists(destination)) {
        const std::string question = "The destination folder '" + destination +
                                     "' does not exist. Create this folder on server '" +
                                     host.DestinationFields().server + "'?";
        if (host.StopRequested() || host.MsgBox(question, kMsgBoxYesNo) != MsgBoxResult::Yes) {
            Refuse(host,
                   NotCopied(folderName) + "The destination folder '" + destination + "' does not exist.");
        }
        CreateFolder(destination);
    }
    CopyWithProgress(host, source, destination);
}

void MigrateFolder(WebJobHost& host, const FolderOperation& operation, const std::string& installDir,
                   const std::string& folderName, bool absolutePath) {
    std::string source;
    std::string destination;
    try {
        MigrateOneFolder(host, operation, installDir, folderName, absolutePath, source, destination);
        return;
    } catch (...) {
        // Whatever failed has shown or logged its own part; the folder's own report follows.
    }
    const std::string message = operation.fromParameter
                                    ? "Is was not possible to migrate '" + source + "'!"
                                    : "Is was not possible to migrate '" + source + "' to '" + destination +
                                          "', Check if destination files are read-only!";
    MsgBoxUnlessStopping(host, message, kMsgBoxCritical);
    WriteLogAndRaise(operation.number, operation.name, message);
}

/// Shows a step line; false when the user has asked to leave meanwhile.
bool ShowStep(WebJobHost& host, int slot, const char* text) {
    host.ShowStep(slot, text);
    return !host.StopRequested();
}

std::string Megabytes(std::uint64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(bytes) / (1024.0 * 1024.0));
    return text;
}

}  // namespace

void MigrateWebContent(WebJobHost& host) {
    host.ClearSteps();
    if (!ShowStep(host, 1, "- Start web contents...") ||
        !ShowStep(host, 2, "- Getting installation-folder...")) {
        return;
    }
    const std::string installDir = GetLocalInstallFolder();
    if (installDir == kNotFound) {
        MsgBoxUnlessStopping(host, kInstallFolderNotFoundMessage, kMsgBoxCritical);
        MsgBoxUnlessStopping(host, kJobStoppedMessage, kMsgBoxCritical);
        return;
    }
    if (!ShowStep(host, 3, "- Map network driver...")) {
        return;
    }
    const WebServerFields web = host.WebFields();
    if (host.MapNetworkDrive(AdministrativeSharePath(web.server, web.installationFolder), web.user,
                             web.password) != 0) {
        MsgBoxUnlessStopping(host, kConnectionFailedMessage, kMsgBoxOkOnly);
        MsgBoxUnlessStopping(host, kJobStoppedMessage, kMsgBoxCritical);
        return;
    }
    for (const FolderStep& step : kFolderSteps) {
        if (!ShowStep(host, step.slot, step.text)) {
            return;
        }
        if (step.fromParameter) {
            MigrateParameterFolders(host, installDir, step.folder, step.absolutePath);
        } else {
            MigrateFolders(host, installDir, step.folder, step.absolutePath);
        }
    }
    if (!ShowStep(host, 11, "- Disconnect Network Drive...")) {
        return;
    }
    if (host.DisconnectNetworkDrive() != 0) {
        MsgBoxUnlessStopping(host, kDisconnectFailedMessage, kMsgBoxCritical);
    }
    if (host.StopRequested()) {
        return;
    }
    host.ShowStep(12, "- Finish web contents...");
}

void MigrateParameterFolders(WebJobHost& host, const std::string& i_sInstallDir,
                             const std::string& i_sFolderName, bool i_bAbsolutePath) {
    MigrateFolder(host, kParameterFolders, i_sInstallDir, i_sFolderName, i_bAbsolutePath);
}

void MigrateFolders(WebJobHost& host, const std::string& i_sInstallDir, const std::string& i_sFolderName,
                    bool i_bAbsolutePath) {
    MigrateFolder(host, kFixedFolders, i_sInstallDir, i_sFolderName, i_bAbsolutePath);
}

std::string CopyProgressText(const CopyProgress& progress) {
    return std::to_string(progress.done.files) + " of " + std::to_string(progress.total.files) + " files, " +
           Megabytes(progress.done.bytes) + " of " + Megabytes(progress.total.bytes) + " MB";
}

int CopyProgressPermille(const CopyProgress& progress) {
    const bool byBytes = progress.total.bytes > 0;
    const std::uint64_t done = byBytes ? progress.done.bytes : progress.done.files;
    const std::uint64_t total = byBytes ? progress.total.bytes : progress.total.files;
    if (total == 0) {
        return kBusyProgressMaximum;
    }
    return static_cast<int>(std::min<std::uint64_t>(done, total) * kBusyProgressMaximum / total);
}

}  // namespace synvora
