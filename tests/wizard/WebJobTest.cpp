// Start on the finish page with the web job, end to end: the pages, the program's own network drive
// against the Samba test server holding an old installation on its "D$" share, and the parameter
// tables of two databases on the PostgreSQL test server.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "WizardFixture.h"
#include "database/odbc/DataAccess.h"
#include "network/NetworkDrives.h"
#include "support/PostgresFixture.h"
#include "support/SambaFixture.h"
#include "support/WebContent.h"
#include "wizard/pages/frmFinish.h"
#include "wizard/pages/frmWeb.h"

namespace synvora::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr const char* kFinished = "Finished Migration.";
constexpr const char* kStoppedWithErrors = "Migration stopped with errors.";
constexpr const char* kStopCopyQuestion =
    "The web contents are still being copied. Do you want to stop the copy? The files being copied are "
    "completed first.";

constexpr const char* kImagesSource = "Z:/Program Files/E-Synvora/E-Synvora/images";

enum Folder { kAttachments, kExcelTemp, kExcelTemplates, kXmlErrors, kImages, kXmlTemplates };

std::string LogEntry(const std::string& heading, const std::string& message) {
    return heading + "\r\n" + message + "\r\n\r\n\r\n";
}

std::int64_t MicrosecondsOf(const struct timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1000000 + time.tv_nsec / 1000;
}

struct stat StatOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info;
}

/// The wizard in a working folder of its own; the old server's share holds the sample old
/// installation, the two databases its parameter rows, and the new installation below NewRoot()
/// has every destination folder.
class WebJobTest : public WizardFixture {
protected:
    static void SetUpTestSuite() { InitializeDataAccess(); }

    void SetUp() override {
        static int number = 0;
        ++number;
        m_oldDatabase = "web_old_" + std::to_string(number);
        m_newDatabase = "web_new_" + std::to_string(number);
        const PostgresServer& server = SharedPostgresServer();
        server.CreateParameterDatabase(m_oldDatabase);
        server.CreateParameterDatabase(m_newDatabase);
        server.RunSql(m_oldDatabase, OldParameterRows(m_content));
        server.RunSql(m_newDatabase, NewParameterRows(m_content, NewRoot()));
        for (const auto& entry : fs::directory_iterator(ShareFolder())) {
            fs::remove_all(entry.path());
        }
        WriteOldInstallation(m_content, ShareFolder());
        for (const ContentFolder& folder : m_content.folders) {
            fs::create_directories(New(folder));
        }
        SetWebServerInstalled(true, NewRoot() + "/" + m_content.newInstallationFolder);
    }

    void TearDown() override {
        SharedSambaServer().Resume();
        // What the end of the program does.
        ReleaseAllNetworkDrives();
        SetNetworkTimeout(20s);
    }

    static std::string ShareFolder() { return SharedSambaServer().ShareFolder(); }
    std::string NewRoot() const { return m_dir / "new"; }
    std::string New(const ContentFolder& folder) const { return NewRoot() + "/" + folder.newPath; }
    static std::string Old(const ContentFolder& folder) { return ShareFolder() + "/" + folder.oldPath; }
    const ContentFolder& Content(Folder folder) const { return m_content.folders[folder]; }

    /// Welcome page (the web job, and the database job when asked), both database pages and the
    /// web server page with the real details, then the finish page; the journal starts afresh.
    void WalkToTheFinishPage(bool database = false) {
        StartWizard(ConnectionTest::Program, NetworkDrive::Program);
        const PostgresLogin admin = SharedPostgresServer().Admin();
        const std::string host = SharedPostgresServer().Host();
        SelectJobs(database, true);
        m_toolkit.Click("frmWelcome", "cmdNextofWelcome");
        FillDatabasePage("frmSource", host, m_oldDatabase, admin.user, admin.password);
        m_toolkit.Click("frmSource", "cmdNextofSourcefrm");
        FillDatabasePage("frmDestination", host, m_newDatabase, admin.user, admin.password);
        m_toolkit.Click("frmDestination", "cmdNextofSourcefrm");
        const SambaServer& samba = SharedSambaServer();
        FillWebPage(samba.ServerName(), samba.Admin().user, samba.Admin().password,
                    m_content.oldInstallationFolder);
        m_toolkit.Click("frmWeb", "cmdNextofwebfrm");
        ASSERT_TRUE(m_toolkit.IsShown("frmFinish"));
        m_toolkit.ClearJournal();
    }

    void PressStart() { m_toolkit.Click("frmFinish", "cmdFinish"); }

    /// The step slots written (not emptied), in their order.
    std::vector<int> SlotsWritten() const {
        std::vector<int> slots;
        for (const std::string& entry : m_toolkit.JournalOf({"text frmFinish.lblStep"})) {
            const std::size_t equals = entry.find('=');
            if (equals + 1 < entry.size()) {
                slots.push_back(std::stoi(entry.substr(std::string("text frmFinish.lblStep").size())));
            }
        }
        return slots;
    }

    /// The folder holds exactly the source's files with their bytes and modification times.
    void ExpectArrived(const ContentFolder& folder) const {
        EXPECT_EQ(ReadTree(New(folder)), folder.files) << folder.name;
        for (const auto& [path, bytes] : folder.files) {
            if (!path.ends_with('/') && fs::exists(New(folder) + "/" + path)) {
                EXPECT_EQ(MicrosecondsOf(StatOf(New(folder) + "/" + path).st_mtim),
                          MicrosecondsOf(StatOf(Old(folder) + "/" + path).st_mtim))
                    << folder.name << "/" << path;
            }
        }
    }

    /// Files under their final names: a copy names a file only when it is complete.
    std::size_t FilesArrivedIn(const ContentFolder& folder) const {
        std::size_t files = 0;
        std::error_code ignored;
        for (auto it = fs::recursive_directory_iterator(New(folder), ignored);
             it != fs::recursive_directory_iterator(); it.increment(ignored)) {
            files += it->is_regular_file() && !it->path().filename().string().starts_with(".") ? 1 : 0;
        }
        return files;
    }

    /// Every file at the destination is a complete copy, and some are missing. A folder the copy
    /// had entered when it stopped may stand empty.
    void ExpectOnlyCompleteFiles(const ContentFolder& folder) const {
        const FileTree arrived = ReadTree(New(folder));
        for (const auto& [path, bytes] : arrived) {
            if (path.ends_with('/') && folder.files.lower_bound(path) != folder.files.end() &&
                folder.files.lower_bound(path)->first.starts_with(path)) {
                continue;
            }
            const auto source = folder.files.find(path);
            ASSERT_NE(source, folder.files.end()) << "left behind: " << path;
            EXPECT_EQ(bytes.size(), source->second.size()) << path;
            EXPECT_TRUE(bytes == source->second) << path;
        }
        EXPECT_LT(arrived.size(), folder.files.size()) << "the copy was to stop part-way";
    }

    /// The images folder fails in its copy: the folder's box, then the run's.
    void ExpectImagesToFail() {
        m_toolkit.ExpectMsgBox(ImagesFailure(), kMsgBoxCritical);
        m_toolkit.ExpectMsgBox(kStoppedWithErrors, kMsgBoxInformation);
    }
    std::string ImagesFailure() const {
        return "Is was not possible to migrate '" + std::string(kImagesSource) + "' to '" +
               New(Content(kImages)) + "', Check if destination files are read-only!";
    }
    std::string ImagesFailureEntries() const {
        return LogEntry("-2147221495 CopyFile", "Unable to copy Folder '" + std::string(kImagesSource) +
                                                    "' to '" + New(Content(kImages)) + "'.") +
               LogEntry("-2147221489 MigrateFolders", ImagesFailure());
    }

    std::string Log() const {
        const std::string path = m_dir / "Migration.log";
        return fs::exists(path) ? ReadBytes(path) : std::string();
    }

    WebContent m_content = SampleWebContent();
    std::string m_oldDatabase;
    std::string m_newDatabase;
    ScopedCurrentDirectory m_cwd{m_dir.Path()};
};

TEST_F(WebJobTest, EveryContentFolderArrivesAndTheOldServerStaysAsItWas) {
    const FileTree oldServer = ReadTree(ShareFolder());
    WalkToTheFinishPage();
    m_toolkit.ExpectMsgBox(kFinished, kMsgBoxInformation);

    PressStart();

    EXPECT_THAT(m_toolkit.JournalOf({"text frmFinish.lblStep"}),
                ::testing::IsSupersetOf({"text frmFinish.lblStep1=- Start web contents...",
                                         "text frmFinish.lblStep2=- Getting installation-folder...",
                                         "text frmFinish.lblStep3=- Map network driver...",
                                         "text frmFinish.lblStep4=- Migrate virtual attachments path...",
                                         "text frmFinish.lblStep5=- Migrate Excel folder...",
                                         "text frmFinish.lblStep6=- Migrate Excel templates...",
                                         "text frmFinish.lblStep9=- Migrate XML error path...",
                                         "text frmFinish.lblStep13=- Migrate images...",
                                         "text frmFinish.lblStep14=- Migrate XML Template File's...",
                                         "text frmFinish.lblStep11=- Disconnect Network Drive...",
                                         "text frmFinish.lblStep12=- Finish web contents..."}));
    EXPECT_THAT(SlotsWritten(), ElementsAre(1, 2, 3, 4, 5, 6, 9, 13, 14, 11, 12));
    for (const ContentFolder& folder : m_content.folders) {
        ExpectArrived(folder);
    }
    EXPECT_EQ(ReadTree(ShareFolder()), oldServer);
    EXPECT_EQ(Log(), "");
    EXPECT_THAT(ConnectedNetworkDrives(), IsEmpty());
    EXPECT_EQ(TheWizard().Finish().m_sMappedDrive, "");
    // The progress bar came with each of the six copies and went again.
    EXPECT_EQ(m_toolkit.JournalOf({"visible frmFinish.prgCopy=1"}).size(), 6u);
    EXPECT_FALSE(m_toolkit.Visible("frmFinish", "prgCopy"));
    EXPECT_THAT(m_toolkit.JournalOf({"text frmFinish.prgCopy=4 of 4 files, 2.5 of 2.5 MB"}),
                ::testing::SizeIs(1));
}

/// true: the session ends (a termination signal) during the copy; false: Exit, and Yes to its
/// question. Both end the same way.
class StoppedCopyTest : public WebJobTest, public ::testing::WithParamInterface<bool> {};

TEST_P(StoppedCopyTest, AStoppedCopyEndsAfterItsFileAndASecondRunFetchesOnlyWhatIsMissing) {
    const bool sessionEnds = GetParam();
    // More files than the copy carries at once, so that a stop leaves some behind.
    ContentFolder& attachments = m_content.folders[kAttachments];
    AddGeneratedFiles(attachments, 60, 32 << 10, 300);
    WriteTree(Old(attachments), attachments.files);
    WalkToTheFinishPage();
    // Once the first file of the first copy has arrived.
    std::function<void()> stopDuringTheCopy = [&] {
        if (!m_toolkit.Visible("frmFinish", "prgCopy") || FilesArrivedIn(Content(kAttachments)) < 1) {
            m_toolkit.DuringNextDoEvents(stopDuringTheCopy);
            return;
        }
        if (sessionEnds) {
            TheWizard().EndSession();
        } else {
            m_toolkit.Click("frmFinish", "cmdCancelofSourcefrm");
        }
    };
    m_toolkit.DuringNextDoEvents(stopDuringTheCopy);
    if (!sessionEnds) {
        m_toolkit.ExpectMsgBox(kStopCopyQuestion, kMsgBoxYesNo, MsgBoxResult::Yes);
    }

    PressStart();

    EXPECT_TRUE(m_toolkit.QuitCalled());
    EXPECT_EQ(m_toolkit.MsgBoxes().size(), sessionEnds ? 0u : 1u) << "the question only";
    EXPECT_THAT(SlotsWritten(), ElementsAre(1, 2, 3, 4));
    ExpectOnlyCompleteFiles(attachments);
    const std::string source = "Z:/Program Files/E-Synvora/Data/Attachments";
    const std::string log =
        LogEntry("-2147221495 CopyFile",
                 "Unable to copy Folder '" + source + "' to '" + New(attachments) + "'.") +
        LogEntry("-2147221490 MigrateParameterFolders", "Is was not possible to migrate '" + source + "'!");
    EXPECT_EQ(Log(), log);

    // The program ends; the next one takes the migration up again.
    std::map<std::string, ino_t> firstRun;
    for (const auto& [path, bytes] : ReadTree(New(attachments))) {
        firstRun[path] = StatOf(New(attachments) + "/" + path).st_ino;
    }
    ReleaseAllNetworkDrives();
    WalkToTheFinishPage();
    m_toolkit.ExpectMsgBox(kFinished, kMsgBoxInformation);
    PressStart();

    for (const ContentFolder& folder : m_content.folders) {
        ExpectArrived(folder);
    }
    for (const auto& [path, inode] : firstRun) {
        EXPECT_EQ(StatOf(New(attachments) + "/" + path).st_ino, inode) << path << " was fetched again";
    }
    EXPECT_EQ(Log(), log);
}

INSTANTIATE_TEST_SUITE_P(Stops, StoppedCopyTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "SessionEnds" : "ExitAndYes"; });

TEST_F(WebJobTest, WithoutAnInstallationFolderOfThisMachineNothingIsConnected) {
    WalkToTheFinishPage();
    SetWebServerInstalled(true, std::nullopt);
    const std::size_t driveCalls = m_driveCalls.size();
    m_toolkit.ExpectMsgBox("Could not found the installation-folder!", kMsgBoxCritical);
    m_toolkit.ExpectMsgBox("The migration of the web contents was stopped!", kMsgBoxCritical);
    m_toolkit.ExpectMsgBox(kFinished, kMsgBoxInformation);

    PressStart();

    EXPECT_THAT(SlotsWritten(), ElementsAre(1, 2));
    EXPECT_EQ(m_driveCalls.size(), driveCalls);
    EXPECT_EQ(Log(), "");
}

TEST_F(WebJobTest, ALoginTheShareRefusesStopsTheJobBeforeAnyCopy) {
    WalkToTheFinishPage();
    // The password changed after the web server page proved it.
    TheWizard().Web().txtWebPassword.SetText("no longer valid");
    m_toolkit.ExpectMsgBox(
        "The connection to the source webserver could not be made, please check the connection information.",
        kMsgBoxOkOnly);
    m_toolkit.ExpectMsgBox("The migration of the web contents was stopped!", kMsgBoxCritical);
    m_toolkit.ExpectMsgBox(kFinished, kMsgBoxInformation);

    PressStart();

    EXPECT_THAT(SlotsWritten(), ElementsAre(1, 2, 3));
    EXPECT_THAT(ReadTree(NewRoot()), ::testing::Each(::testing::Key(::testing::EndsWith("/"))));
    EXPECT_THAT(ConnectedNetworkDrives(), IsEmpty());
}

TEST_F(WebJobTest, AMissingXmlErrorFolderEndsTheJobThereAndTheDriveStaysConnected) {
    fs::remove_all(Old(Content(kXmlErrors)));
    WalkToTheFinishPage();
    const std::string source = "Z:/Synvora Data/XML Errors";
    m_toolkit.ExpectMsgBox("The content of 'XMLErrorPath' could not be copied. The source folder '" + source +
                               "' does not exist on server '" + SharedPostgresServer().Host() + "'.",
                           kMsgBoxCritical);
    m_toolkit.ExpectMsgBox("Is was not possible to migrate '" + source + "'!", kMsgBoxCritical);
    m_toolkit.ExpectMsgBox(kStoppedWithErrors, kMsgBoxInformation);

    PressStart();

    EXPECT_THAT(SlotsWritten(), ElementsAre(1, 2, 3, 4, 5, 6, 9));
    for (Folder done : {kAttachments, kExcelTemp, kExcelTemplates}) {
        ExpectArrived(Content(done));
    }
    EXPECT_THAT(ReadTree(New(Content(kImages))), IsEmpty());
    EXPECT_EQ(Log(), LogEntry("-2147221490 MigrateParameterFolders",
                              "Is was not possible to migrate '" + source + "'!"));
    EXPECT_THAT(ConnectedNetworkDrives(), ElementsAre("Z:"));
    EXPECT_FALSE(m_toolkit.Enabled("frmFinish", "cmdFinish"));
    EXPECT_FALSE(m_toolkit.Enabled("frmFinish", "cmdBackofFinish"));
}

TEST_F(WebJobTest, AMissingDestinationIsCreatedAfterYesAndEndsTheJobAfterNo) {
    fs::remove_all(New(Content(kAttachments)));
    fs::remove_all(New(Content(kExcelTemp)));
    WalkToTheFinishPage();
    auto question = [](const std::string& folder) {
        return "The destination folder '" + folder + "' does not exist. Create this folder on server '" +
               SharedPostgresServer().Host() + "'?";
    };
    m_toolkit.ExpectMsgBox(question(New(Content(kAttachments))), kMsgBoxYesNo, MsgBoxResult::Yes);
    m_toolkit.ExpectMsgBox(question(New(Content(kExcelTemp))), kMsgBoxYesNo, MsgBoxResult::No);
    m_toolkit.ExpectMsgBox("The content of 'ExcelTempFolder' could not be copied. The destination folder '" +
                               New(Content(kExcelTemp)) + "' does not exist.",
                           kMsgBoxCritical);
    m_toolkit.ExpectMsgBox("Is was not possible to migrate 'Z:/Synvora/ExcelTemp'!", kMsgBoxCritical);
    m_toolkit.ExpectMsgBox(kStoppedWithErrors, kMsgBoxInformation);

    PressStart();

    ExpectArrived(Content(kAttachments));
    EXPECT_FALSE(fs::exists(New(Content(kExcelTemp))));
    EXPECT_THAT(SlotsWritten(), ElementsAre(1, 2, 3, 4, 5));
}

TEST_F(WebJobTest, AReadOnlyDestinationFileIsKeptAndTheRestOfItsFolderArrives) {
    const ContentFolder& images = Content(kImages);
    const std::string logo = New(images) + "/logo.gif";
    WriteBytes(logo, "the new installation's own logo");
    fs::permissions(logo, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    WalkToTheFinishPage();
    ExpectImagesToFail();

    PressStart();

    EXPECT_EQ(ReadBytes(logo), "the new installation's own logo");
    FileTree expected = images.files;
    expected["logo.gif"] = "the new installation's own logo";
    EXPECT_EQ(ReadTree(New(images)), expected);
    EXPECT_EQ(Log(),
              LogEntry("70 FileSystem",
                       "The file 'logo.gif' was not copied: the file at the destination is read-only.") +
                  ImagesFailureEntries());
    EXPECT_THAT(SlotsWritten(), ElementsAre(1, 2, 3, 4, 5, 6, 9, 13));
}

/// Parameter values the job refuses before anything is created: a row missing in one database
/// (taken as a path, the empty value would copy the whole installation drive, or installation
/// folder, in the folder's place), and a destination that is no folder of this machine: a drive
/// letter (a network drive, perhaps the old server itself) or another machine's share, which would
/// otherwise become a local folder "/otherhost/share".
enum class Refused {
    SourceRowMissing,
    DestinationRowMissing,
    DestinationOnADrive,
    DestinationOnAnotherMachine
};

class RefusedParameterValueTest : public WebJobTest, public ::testing::WithParamInterface<Refused> {};

TEST_P(RefusedParameterValueTest, TheFolderIsNotMigratedAndNothingElseIsCopiedOrCreatedInItsPlace) {
    const ContentFolder& templates = Content(kExcelTemplates);
    const std::string notCopied = "The content of 'ExcelTemplatesPath' could not be copied. ";
    // The source as far as it was formed when the value was refused.
    std::string source = "Z:/Synvora Data/Excel Templates";
    std::string message;
    std::string newValue;
    switch (GetParam()) {
        case Refused::SourceRowMissing:
            SharedPostgresServer().RunSql(
                m_oldDatabase, "DELETE FROM dbo.SYNVORAPARAMETER WHERE PARAMNAME = 'ExcelTemplatesPath';");
            message = notCopied + "The source database holds no folder for it.";
            source = "";
            break;
        case Refused::DestinationRowMissing:
            SharedPostgresServer().RunSql(
                m_newDatabase, "DELETE FROM dbo.SYNVORAPARAMETER WHERE PARAMNAME = 'ExcelTemplatesPath';");
            message = notCopied + "The destination database holds no folder for it.";
            source = templates.oldValue;
            break;
        case Refused::DestinationOnADrive:
            newValue = "Z:\\Synvora Data\\Excel Templates";
            message = notCopied +
                      "The destination folder 'Z:/Synvora Data/Excel Templates' is not a folder of "
                      "this machine.";
            break;
        case Refused::DestinationOnAnotherMachine:
            newValue = "\\\\synvora-elsewhere\\D$\\Excel Templates";
            message =
                notCopied + "The destination database names a folder on another machine: '" + newValue + "'.";
            break;
    }
    if (!newValue.empty()) {
        SharedPostgresServer().RunSql(m_newDatabase, "UPDATE dbo.SYNVORAPARAMETER SET PARAMVALUE = '" +
                                                         newValue +
                                                         "' WHERE PARAMNAME = 'ExcelTemplatesPath';");
    }
    const FileTree oldServer = ReadTree(ShareFolder());
    WalkToTheFinishPage();
    m_toolkit.ExpectMsgBox(message, kMsgBoxCritical);
    const std::string failure = "Is was not possible to migrate '" + source + "'!";
    m_toolkit.ExpectMsgBox(failure, kMsgBoxCritical);
    m_toolkit.ExpectMsgBox(kStoppedWithErrors, kMsgBoxInformation);

    PressStart();

    EXPECT_THAT(SlotsWritten(), ElementsAre(1, 2, 3, 4, 5, 6));
    EXPECT_THAT(ReadTree(New(templates)), IsEmpty());
    EXPECT_EQ(ReadTree(ShareFolder()), oldServer);
    EXPECT_FALSE(fs::exists("/synvora-elsewhere"));
    EXPECT_EQ(Log(), LogEntry("-2147221490 MigrateParameterFolders", failure));
}

std::string NameOf(const ::testing::TestParamInfo<Refused>& info) {
    constexpr const char* kNames[] = {"SourceRowMissing", "DestinationRowMissing", "DestinationOnADrive",
                                      "DestinationOnAnotherMachine"};
    return kNames[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Values, RefusedParameterValueTest,
                         ::testing::Values(Refused::SourceRowMissing, Refused::DestinationRowMissing,
                                           Refused::DestinationOnADrive,
                                           Refused::DestinationOnAnotherMachine),
                         NameOf);

/// Both jobs with the demo databases, the delivered migration script and the real client, which
/// this program finds through PATH.
TEST_F(WebJobTest, BothJobsRunTheDatabaseJobFirst) {
    const PostgresServer& server = SharedPostgresServer();
    static const bool master = [&server] {
        server.CreateDatabase("master");
        return true;
    }();
    (void)master;
    m_oldDatabase += "_demo";
    m_newDatabase += "_demo";
    server.CreateDatabase(m_oldDatabase);
    server.CreateDatabase(m_newDatabase);
    server.RunSql(m_oldDatabase, ReadBytes(std::string(SYNVORA_DEMO_DIR) + "/source-database.sql") +
                                     OldParameterRows(m_content));
    server.RunSql(m_newDatabase, ReadBytes(std::string(SYNVORA_DEMO_DIR) + "/destination-database.sql") +
                                     NewParameterRows(m_content, NewRoot()));
    WriteBytes(m_dir / "migration.sql", ReadBytes(std::string(SYNVORA_DEMO_DIR) + "/migration.sql"));
    const ScopedEnvironmentVariable path("PATH", SYNVORA_CLIENT_DIR);
    WalkToTheFinishPage(/*database=*/true);
    m_toolkit.ExpectMsgBox(kFinished, kMsgBoxInformation);

    PressStart();

    EXPECT_THAT(SlotsWritten(), ElementsAre(1, 2, 3, 4, 5, 6, 1, 2, 3, 4, 5, 6, 9, 13, 14, 11, 12));
    EXPECT_EQ(m_toolkit.MsgBoxes().size(), 1u);
    EXPECT_EQ(server.RunSql(m_newDatabase, "SELECT count(*) FROM dbo.SYNVORADOCUMENT"), "5\n");
    for (const ContentFolder& folder : m_content.folders) {
        ExpectArrived(folder);
    }
}

TEST_F(WebJobTest, TheServerGoingAwayDuringACopyIsReportedAndLeavesNoHalfWrittenFile) {
    ContentFolder& images = m_content.folders[kImages];
    AddGeneratedFiles(images, 200, 200 << 10, 100);
    WriteTree(Old(images), images.files);
    WalkToTheFinishPage();
    // The server stops once ten images have arrived.
    std::function<void()> stopTheServer = [&] {
        if (m_toolkit.Text("frmFinish", "lblStep13").empty() || FilesArrivedIn(images) < 10) {
            m_toolkit.DuringNextDoEvents(stopTheServer);
            return;
        }
        SharedSambaServer().Stop();
        m_toolkit.Note("server stopped");
    };
    m_toolkit.DuringNextDoEvents(stopTheServer);
    ExpectImagesToFail();

    PressStart();
    SharedSambaServer().Start();

    EXPECT_THAT(SlotsWritten(), ElementsAre(1, 2, 3, 4, 5, 6, 9, 13));
    ExpectOnlyCompleteFiles(images);
    // The file in hand when the server went, and the system's word for it, come first.
    EXPECT_THAT(Log(), ::testing::StartsWith("71 FileSystem\r\nThe file 'generated/"));
    EXPECT_THAT(Log(), ::testing::HasSubstr("' was not copied: "));
    EXPECT_THAT(Log(), ::testing::EndsWith(".\r\n\r\n\r\n" + ImagesFailureEntries()));
    // The window went on being served between the server's end and the failure's report.
    const std::vector<std::string> journal = m_toolkit.JournalOf({"server stopped", "doevents", "msgbox"});
    const auto stopped = std::find(journal.begin(), journal.end(), "server stopped");
    ASSERT_NE(stopped, journal.end());
    EXPECT_EQ(*std::next(stopped), "doevents");
}

TEST_F(WebJobTest, AServerThatStopsAnsweringFailsTheCopyAtItsTimeOutWhileTheWindowStaysServed) {
    SetNetworkTimeout(2s);
    ContentFolder& images = m_content.folders[kImages];
    AddGeneratedFiles(images, 200, 200 << 10, 100);
    WriteTree(Old(images), images.files);
    WalkToTheFinishPage();
    // The server stops where it stands once ten images have arrived; Exit is pressed meanwhile.
    std::function<void()> exitDuringTheWait = [&] { m_toolkit.Click("frmFinish", "cmdCancelofSourcefrm"); };
    std::function<void()> pauseTheServer = [&] {
        if (m_toolkit.Text("frmFinish", "lblStep13").empty() || FilesArrivedIn(images) < 10) {
            m_toolkit.DuringNextDoEvents(pauseTheServer);
            return;
        }
        SharedSambaServer().Pause();
        m_toolkit.Note("server paused");
        m_toolkit.DuringNextDoEvents(exitDuringTheWait);
    };
    m_toolkit.DuringNextDoEvents(pauseTheServer);
    m_toolkit.ExpectMsgBox(kStopCopyQuestion, kMsgBoxYesNo, MsgBoxResult::No);
    ExpectImagesToFail();

    PressStart();

    EXPECT_THAT(SlotsWritten(), ElementsAre(1, 2, 3, 4, 5, 6, 9, 13));
    ExpectOnlyCompleteFiles(images);
    EXPECT_THAT(Log(), ::testing::StartsWith("71 FileSystem\r\nThe file 'generated/"));
    EXPECT_THAT(Log(), ::testing::EndsWith(".\r\n\r\n\r\n" + ImagesFailureEntries()));
    // While the copy waited for the server, the window was served and Exit asked its question.
    const std::vector<std::string> journal = m_toolkit.JournalOf({"server paused", "doevents", "msgbox"});
    const auto paused = std::find(journal.begin(), journal.end(), "server paused");
    ASSERT_NE(paused, journal.end());
    EXPECT_EQ(*std::next(paused, 2), "msgbox 4 " + std::string(kStopCopyQuestion));
    EXPECT_GE(std::count(paused, journal.end(), "doevents"), 5);
}

}  // namespace
}  // namespace synvora::test
