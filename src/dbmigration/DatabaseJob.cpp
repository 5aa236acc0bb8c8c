#include "DatabaseJob.h"

#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "database/CommandLaunch.h"
#include "database/ScriptText.h"
#include "database/SqlServer.h"
#include "dbmigration/ClientCommandLine.h"
#include "dbmigration/JobFiles.h"
#include "files/Encoding.h"
#include "files/ErrorCodes.h"
#include "files/FileFunctions.h"
#include "files/FileSystem.h"
#include "files/MigrationError.h"
#include "files/MigrationLog.h"
#include "files/Paths.h"

namespace synvora {
namespace {

constexpr const char* kJobStoppedMessage =
    "The migration of the database content was stopped, please check the log file!";
constexpr const char* kPreparationFailedMessage = "Migration program could not prepare SQL script.";
constexpr const char* kPreparationFailedEntry = "Migration program could not prepare SQL script!";
constexpr const char* kClientFailedEntry = "Migration was stopped due to some errors! ";
/// The script makes the client print this only when its transaction committed.
constexpr const char* kCommitText = "COMMIT TRANSACTION";
/// Server registrations live in the destination server's system database.
constexpr const char* kSystemDatabase = "master";
constexpr int kFinishedSlot = 6;
constexpr const char* kFinishedText = "- Finished migrate database content...";

enum class JobOutcome { kSucceeded, kFailed, kStopped };

/// One step of the sequence: the slot it reports in (0 for none) and its work, which answers
/// false, or raises, when the job has to stop.
struct JobStep {
    int slot;
    const char* text;
    std::function<bool()> work;
};

/// Removes, on the destination server, the registration of a server named like the source server
/// together with its logins. A failure has been logged by RunSQLCommand and is otherwise of no
/// consequence: usually no such server was ever registered.
void DropSourceServerRegistration(DatabaseJobHost& host) {
    try {
        const std::string sourceServer = host.SourceFields().server;
        const DatabaseFields destination = host.DestinationFields();
        RunSQLCommand(destination.server, destination.user, destination.password, kSystemDatabase,
                      "EXEC sp_dropserver '" + sourceServer + "','droplogins'");
    } catch (const std::exception&) {
        // Logged where it happened; the job goes on.
    }
}

std::vector<JobStep> JobSteps(DatabaseJobHost& host, std::string& folder) {
    return {
        {1, "- Start migrate database content...", [] { return true; }},
        {0, nullptr,
         [&folder] {
             folder = CurrentDirectory();
             return true;
         }},
        {2, "- Prepare destination server...",
         [&host] {
             DropSourceServerRegistration(host);
             return true;
         }},
        {3, "- Copy migration script...",
         [&folder] {
             CopyFile(JoinPath(folder, kMigrationScriptName), JoinPath(folder, kPreparedScriptName), true);
             return true;
         }},
        {4, "- Prepare migration script...",
         [&folder, &host] {
             ReplaceSourceEnDestination(folder, host);
             return true;
         }},
        {5, "- Running migration script...",
         [&folder, &host] {
             MigrateDatabases(folder, host);
             return true;
         }},
        {0, nullptr, [&folder] { return TextFound(JoinPath(folder, kClientOutputName), kCommitText); }},
    };
}

JobOutcome RunJobSteps(DatabaseJobHost& host) {
    std::string folder;
    host.ClearSteps();
    for (const JobStep& step : JobSteps(host, folder)) {
        if (step.slot != 0) {
            host.ShowStep(step.slot, step.text);
        }
        if (!step.work()) {
            return JobOutcome::kFailed;
        }
        if (host.StopRequested()) {
            return JobOutcome::kStopped;
        }
    }
    host.ShowStep(kFinishedSlot, kFinishedText);
    return JobOutcome::kSucceeded;
}

/// One placeholder of the script, the field that fills it, and how the log names that field.
struct Placeholder {
    const char* word;
    const std::string* value;
    const char* field;
};

/// The script is Windows-1252 text: a value with a character the code page lacks would arrive as
/// "?" (a password that the old server then refuses), so the preparation stops instead. The entry
/// names the field, never its value, which may be a password.
void RefuseValuesTheScriptCannotHold(const std::vector<Placeholder>& placeholders) {
    for (const Placeholder& placeholder : placeholders) {
        if (!FitsAnsi(*placeholder.value)) {
            WriteLogAndRaise(ErrorCode::kReplaceSourceEnDestination, "ReplaceSourceEnDestination",
                             std::string("The field ") + placeholder.field +
                                 " holds a character that the SQL script cannot hold (Windows-1252).");
        }
    }
}

void FillPlaceholders(const std::string& preparedScript, DatabaseJobHost& host) {
    const DatabaseFields source = host.SourceFields();
    const DatabaseFields destination = host.DestinationFields();
    // The order matters: each replacement also searches what the earlier ones inserted.
    const std::vector<Placeholder> placeholders = {
        {"SourceServer", &source.server, "'Server' of the source database"},
        {"SourceUser", &source.user, "'User' of the source database"},
        {"SourcePassword", &source.password, "'Password' of the source database"},
        {"SourceDatabase", &source.database, "'Database' of the source database"},
        {"DestinationDataBase", &destination.database, "'Database' of the destination database"},
        {"DestinationUser", &destination.user, "'User' of the destination database"},
    };
    RefuseValuesTheScriptCannotHold(placeholders);
    for (const Placeholder& placeholder : placeholders) {
        GetSearchText(preparedScript, placeholder.word, *placeholder.value);
    }
}

/// Shown while the client runs, on Exit.
constexpr const char* kStopClientQuestion =
    "The migration script is still running. Do you want to stop it? The destination server then undoes "
    "what the script has not committed.";
constexpr const char* kClientStoppedEntry = "The migration script was stopped by the user before it ended.";

/// Runs the client with the window kept alive; true when the user stopped it.
bool RunClient(const ClientCommandLine& command, DatabaseJobHost& host) {
    const BusyWorkScope busy(host, kStopClientQuestion);
    const CommandOptions options{.commandLineForLog = command.lineForLog,
                                 .environment = {command.passwordSetting},
                                 .whileRunning = [&host] { return host.ContinueBusyWork(); }};
    return RunCommand(command.line, options) == CommandEnd::kStopped;
}

}  // namespace

void MigrateDatabaseContent(DatabaseJobHost& host) noexcept {
    JobOutcome outcome = JobOutcome::kFailed;
    try {
        outcome = RunJobSteps(host);
    } catch (...) {
        // The failing service has written its entries; the job reports the stop below.
        outcome = JobOutcome::kFailed;
    }
    if (outcome != JobOutcome::kFailed) {
        return;
    }
    try {
        MsgBoxUnlessStopping(host, kJobStoppedMessage, kMsgBoxCritical);
    } catch (...) {
        // Nothing is left that could report a failing message box.
    }
}

void ReplaceSourceEnDestination(const std::string& i_sFolder, DatabaseJobHost& host) {
    const std::string preparedScript = JoinPath(i_sFolder, kPreparedScriptName);
    try {
        // The copy carries the permissions of the delivered script; it is about to hold the source
        // password, and a read-only copy would silently keep its placeholders. A missing copy is
        // left to GetSearchText to report.
        FileSystem& fileSystem = TheFileSystem();
        if (fileSystem.FileExists(preparedScript)) {
            fileSystem.RestrictToOwner(preparedScript);
        }
        FillPlaceholders(preparedScript, host);
    } catch (const std::exception&) {
        MsgBoxUnlessStopping(host, kPreparationFailedMessage, kMsgBoxCritical);
        WriteLogAndRaise(ErrorCode::kReplaceSourceEnDestination, "ReplaceSourceEnDestination",
                         kPreparationFailedEntry);
    }
}

void MigrateDatabases(const std::string& i_sFolder, DatabaseJobHost& host) {
    std::string description;
    try {
        const ClientCommandLine command = BuildClientCommandLine(host.DestinationFields(), i_sFolder);
        // The client may echo secrets into its output. A link planted at its name would have the
        // client write into (and this job restrict) some other file: whatever stands there that
        // is not a plain file of its own is replaced by a fresh one first.
        TheFileSystem().RestrictToOwner(JoinPath(i_sFolder, kClientOutputName));
        if (!RunClient(command, host)) {
            return;
        }
        description = kClientStoppedEntry;
    } catch (const MigrationError& failure) {
        description = kClientFailedEntry + failure.Description();
    } catch (const std::exception& failure) {
        description = kClientFailedEntry + std::string(failure.what());
    }
    WriteLogAndRaise(ErrorCode::kMigrateDatabases, "MigrateDatabases", description);
}

}  // namespace synvora
