// The web job on Windows: this machine's installation folder from the registry, the old server's
// share connected through the system's networking (FakeNetwork puts it on the Wine prefix's drive
// Y:, where the old installation lies; without it Wine answers that there is no network), and the
// fixed folders copied from that drive by the file layer.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "files/ErrorCodes.h"
#include "network/NetworkDrives.h"
#include "support/FileTree.h"
#include "support/RecordingWebJobHost.h"
#include "support/TempDir.h"
#include "support/TestDrive.h"
#include "support/TestRegistry.h"
#include "support/WebContent.h"
#include "support/win32/FakeNetwork.h"
#include "webmigration/WebJob.h"

namespace synvora::test {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

const NetworkCredentials kLogin{"webadmin", "s3cret"};
constexpr const char* kSteps[] = {"- Start web contents...", "- Getting installation-folder...",
                                  "- Map network driver..."};
constexpr const char* kStopped = "The migration of the web contents was stopped!";

enum Folder { kImages = 4, kXmlTemplates = 5 };

class WebJobTest : public ::testing::Test {
protected:
    WebJobTest() {
        m_registry.CreateKey("SOFTWARE\\Corvane\\Velmoria\\Portivo");
        m_registry.SetString("SOFTWARE\\Corvane\\Velmoria\\Portivo\\PelluxServer\\1", "path", InstallDir());
        WriteOldInstallation(m_content, m_drive.Folder());
        m_host.web = {"OLDWEB", kLogin.user, kLogin.password, m_content.oldInstallationFolder};
        m_host.page.source.server = "OLDSQL";
        m_host.page.destination.server = "NEWSQL";
    }
    ~WebJobTest() override { ReleaseAllNetworkDrives(); }

    std::string InstallDir() const { return m_dir.Path() + "\\Portivo"; }
    const ContentFolder& Content(Folder folder) const { return m_content.folders[folder]; }
    // As the job names them: with "\" throughout.
    std::string Name(Folder folder) const {
        std::string name = Content(folder).name;
        std::replace(name.begin(), name.end(), '/', '\\');
        return name;
    }
    std::string New(Folder folder) const { return InstallDir() + "\\" + Name(folder); }
    std::string Old(Folder folder) const { return m_drive.Folder() + Content(folder).oldPath; }
    std::string Source(Folder folder) const { return "Y:\\Program Files\\E-Synvora\\" + Name(folder); }

    void MapDrive() {
        ASSERT_EQ(m_host.MapNetworkDrive("\\\\OLDWEB\\D$", kLogin.user, kLogin.password), 0);
        ASSERT_EQ(m_host.m_sMappedDrive, "Y:");
    }
    void Migrate(Folder folder) { MigrateFolders(m_host, InstallDir(), Content(folder).name, false); }

    /// Files and their modification times below a folder.
    static std::map<std::string, fs::file_time_type> TimesBelow(const std::string& root) {
        std::map<std::string, fs::file_time_type> times;
        for (const auto& [path, bytes] : ReadTree(root)) {
            if (!path.ends_with('/')) {
                times[path] = fs::last_write_time(FsPath(root + "\\" + path));
            }
        }
        return times;
    }

    std::string Log() const { return ReadBytes(m_dir / "Migration.log"); }

    TempDir m_dir;
    ScopedCurrentDirectory m_cwd{m_dir.Path()};
    TestRegistry m_registry;
    TestDrive m_drive;
    WebContent m_content = SampleWebContent();
    RecordingWebJobHost m_host;
};

TEST_F(WebJobTest, TheFixedFoldersArriveFromTheMappedDriveAndASecondRunKeepsWhatIsComplete) {
    FakeNetwork network("OLDWEB", kLogin);
    const FileTree oldServer = ReadTree(m_drive.Folder());
    MapDrive();
    for (const Folder folder : {kImages, kXmlTemplates}) {
        fs::create_directories(FsPath(New(folder)));
        Migrate(folder);
        EXPECT_EQ(ReadTree(New(folder)), Content(folder).files) << Content(folder).name;
        EXPECT_EQ(TimesBelow(New(folder)), TimesBelow(Old(folder))) << "copies keep their times";
    }
    EXPECT_EQ(ReadTree(m_drive.Folder()), oldServer) << "the old server is only read";

    std::map<std::string, std::uint64_t> firstRun;
    for (const auto& [path, time] : TimesBelow(New(kImages))) {
        firstRun[path] = FileIdOf(New(kImages) + "\\" + path);
    }
    Migrate(kImages);
    for (const auto& [path, id] : firstRun) {
        EXPECT_EQ(FileIdOf(New(kImages) + "\\" + path), id) << path << " was fetched again";
    }
    EXPECT_EQ(m_host.DisconnectNetworkDrive(), 0);
    EXPECT_EQ(m_host.m_sMappedDrive, "");
    EXPECT_THAT(ConnectedNetworkDrives(), IsEmpty());
    EXPECT_THAT(m_host.page.MsgBoxes(), IsEmpty());
    EXPECT_EQ(Log(), "");
}

TEST_F(WebJobTest, TheJobStopsBeforeAnyCopyWithoutAFolderOfThisMachineOrANetwork) {
    // Wine's own networking: there is no network, so the old server's share never connects.
    m_host.page.ExpectMsgBox(
        "The connection to the source webserver could not be made, please check the connection information.",
        kMsgBoxOkOnly);
    m_host.page.ExpectMsgBox(kStopped, kMsgBoxCritical);
    MigrateWebContent(m_host);
    EXPECT_EQ(m_host.page.Slot(3), kSteps[2]);
    EXPECT_EQ(m_host.page.Slot(4), "");
    EXPECT_EQ(m_host.m_sMappedDrive, "");

    // Without the installation folder nothing is connected.
    FakeNetwork network("OLDWEB", kLogin);
    m_registry.DeleteValue("SOFTWARE\\Corvane\\Velmoria\\Portivo\\PelluxServer\\1", "path");
    m_host.page.ExpectMsgBox("Could not found the installation-folder!", kMsgBoxCritical);
    m_host.page.ExpectMsgBox(kStopped, kMsgBoxCritical);
    MigrateWebContent(m_host);
    EXPECT_EQ(m_host.page.Slot(2), kSteps[1]);
    EXPECT_EQ(m_host.page.Slot(3), "");
    EXPECT_THAT(network.uses, IsEmpty());
    EXPECT_EQ(Log(), "");
}

TEST_F(WebJobTest, FoldersThatCannotBeMigratedShowTheirMessagesAndAreLogged) {
    FakeNetwork network("OLDWEB", kLogin);
    MapDrive();
    const auto failure = [&](Folder folder, const std::string& destination) {
        return "Is was not possible to migrate '" + Source(folder) + "' to '" + destination +
               "', Check if destination files are read-only!";
    };

    // A destination that does not exist: No leaves it so, Yes creates and fills it.
    m_host.page.ExpectMsgBox("The destination folder '" + New(kImages) +
                                 "' does not exist. Create this folder on server 'NEWSQL'?",
                             kMsgBoxYesNo, MsgBoxResult::No);
    m_host.page.ExpectMsgBox(
        "The content of 'E-Synvora/images' could not be copied. The destination folder '" + New(kImages) +
            "' does not exist.",
        kMsgBoxCritical);
    m_host.page.ExpectMsgBox(failure(kImages, New(kImages)), kMsgBoxCritical);
    EXPECT_EQ(ErrorNumberOf([&] { Migrate(kImages); }), ErrorCode::kMigrateFolders);
    EXPECT_FALSE(fs::exists(FsPath(New(kImages))));
    m_host.page.ExpectMsgBox("The destination folder '" + New(kImages) +
                                 "' does not exist. Create this folder on server 'NEWSQL'?",
                             kMsgBoxYesNo, MsgBoxResult::Yes);
    Migrate(kImages);
    EXPECT_EQ(ReadTree(New(kImages)), Content(kImages).files);

    // A folder the old server lacks.
    fs::remove_all(FsPath(Old(kXmlTemplates)));
    m_host.page.ExpectMsgBox(
        "The content of 'E-Synvora/XMLTemplate' could not be copied. The source folder '" +
            Source(kXmlTemplates) + "' does not exist on server 'OLDSQL'.",
        kMsgBoxCritical);
    m_host.page.ExpectMsgBox(failure(kXmlTemplates, New(kXmlTemplates)), kMsgBoxCritical);
    EXPECT_EQ(ErrorNumberOf([&] { Migrate(kXmlTemplates); }), ErrorCode::kMigrateFolders);

    // A destination on another machine's share is not a folder of this machine.
    const std::string share = "\\\\NEWWEB\\C$\\Portivo\\E-Synvora\\images";
    m_host.page.ExpectMsgBox(
        "The content of 'E-Synvora/images' could not be copied. The destination folder '" + share +
            "' is not a folder of this machine.",
        kMsgBoxCritical);
    m_host.page.ExpectMsgBox(failure(kImages, share), kMsgBoxCritical);
    EXPECT_EQ(
        ErrorNumberOf([&] { MigrateFolders(m_host, "\\\\NEWWEB\\C$\\Portivo", "E-Synvora/images", false); }),
        ErrorCode::kMigrateFolders);

    EXPECT_EQ(Log(), "-2147221489 MigrateFolders\r\n" + failure(kImages, New(kImages)) + "\r\n\r\n\r\n" +
                         "-2147221489 MigrateFolders\r\n" + failure(kXmlTemplates, New(kXmlTemplates)) +
                         "\r\n\r\n\r\n" + "-2147221489 MigrateFolders\r\n" + failure(kImages, share) +
                         "\r\n\r\n\r\n");
}

}  // namespace
}  // namespace synvora::test
