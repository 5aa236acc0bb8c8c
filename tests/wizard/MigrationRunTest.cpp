// Start on the finish page, end to end: the pages, the database job and the real osql.exe against
// the PostgreSQL test server.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "WizardFixture.h"
#include "database/odbc/DataAccess.h"
#include "support/PostgresFixture.h"

namespace synvora::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr const char* kJobStopped =
    "The migration of the database content was stopped, please check the log file!";
constexpr const char* kFinished = "Finished Migration.";
constexpr const char* kStoppedWithErrors = "Migration stopped with errors.";

// The same rows read from both databases, in a stable order.
const std::vector<std::string> kContentQueries = {
    "SELECT USERID, LOGINNAME, FULLNAME, EMAIL, ACTIVE FROM dbo.SYNVORAUSER ORDER BY 1",
    "SELECT DOCUMENTID, CATEGORYID, AUTHORID, TITLE, BODY, CREATED FROM dbo.SYNVORADOCUMENT ORDER BY 1",
};

const std::vector<std::string> kPages = {"frmWelcome", "frmSource", "frmDestination", "frmFinish"};

std::string StepEntry(int slot, const std::string& text) {
    return "text frmFinish.lblStep" + std::to_string(slot) + "=" + text;
}

const std::vector<std::string> kStartOfRun = {"enabled frmFinish.cmdFinish=0",
                                              "enabled frmFinish.cmdBackofFinish=0", "pointer busy"};
const std::vector<std::string> kStepLines = {
    StepEntry(1, "- Start migrate database content..."),
    StepEntry(2, "- Prepare destination server..."),
    StepEntry(3, "- Copy migration script..."),
    StepEntry(4, "- Prepare migration script..."),
    StepEntry(5, "- Running migration script..."),
    StepEntry(6, "- Finished migrate database content..."),
};

/// The start of a run, then the first count step lines, each painted before its work.
std::vector<std::string> RunUpToStep(std::size_t count) {
    std::vector<std::string> entries = kStartOfRun;
    for (std::size_t step = 0; step < count; ++step) {
        entries.push_back(kStepLines[step]);
        entries.push_back("doevents");
    }
    return entries;
}

/// The end of a run that a box closes.
std::vector<std::string> EndOfRun(const std::string& box) {
    return {"pointer default", "enabled frmFinish.cmdFinish=0", "enabled frmFinish.cmdBackofFinish=0",
            "msgbox 64 " + box};
}

std::vector<std::string> Joined(std::vector<std::string> first, const std::vector<std::string>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

/// One Migration.log entry as the file holds it.
std::string LogEntry(const std::string& heading, const std::string& message) {
    return heading + "\r\n" + message + "\r\n\r\n\r\n";
}

/// The wizard in a working folder of its own, with the program's connection test against the
/// test server, and an old and a new database per test made from the demo scripts. This program
/// lies in a folder without osql.exe; PATH leads to the real client's build folder.
class MigrationRunTest : public WizardFixture {
protected:
    static void SetUpTestSuite() {
        InitializeDataAccess();
        // The job removes the old server's registration in the destination's system database.
        static const bool created = [] {
            SharedPostgresServer().CreateDatabase("master");
            return true;
        }();
        (void)created;
    }

    void SetUp() override {
        static int number = 0;
        ++number;
        m_oldDatabase = "run_old_" + std::to_string(number);
        m_newDatabase = "run_new_" + std::to_string(number);
        const PostgresServer& server = SharedPostgresServer();
        server.CreateDatabase(m_oldDatabase);
        server.CreateDatabase(m_newDatabase);
        server.RunSql(m_oldDatabase, ReadBytes(DemoFile("source-database.sql")));
        server.RunSql(m_newDatabase, ReadBytes(DemoFile("destination-database.sql")));
        StartWizard(ConnectionTest::Program);
    }

    static std::string DemoFile(const std::string& name) {
        return std::string(SYNVORA_DEMO_DIR) + "/" + name;
    }
    static std::string Host() { return SharedPostgresServer().Host(); }

    void PutMigrationScript() const {
        WriteBytes(m_dir / "migration.sql", ReadBytes(DemoFile("migration.sql")));
    }

    /// Welcome (database job), source and destination page with the real details, then the
    /// finish page; the journal starts afresh there.
    void WalkToTheFinishPage() {
        const PostgresLogin admin = SharedPostgresServer().Admin();
        ReachSourcePage();
        FillDatabasePage("frmSource", Host(), m_oldDatabase, admin.user, admin.password);
        m_toolkit.Click("frmSource", "cmdNextofSourcefrm");
        ASSERT_TRUE(m_toolkit.IsShown("frmDestination"));
        FillDatabasePage("frmDestination", Host(), m_newDatabase, admin.user, admin.password);
        m_toolkit.Click("frmDestination", "cmdNextofSourcefrm");
        ASSERT_TRUE(m_toolkit.IsShown("frmFinish"));
        m_toolkit.ClearJournal();
    }

    void PressStart() { m_toolkit.Click("frmFinish", "cmdFinish"); }

    /// Buttons, pointer, step lines written and message boxes of the finish page, in their order;
    /// the emptying of the lines by ClearSteps left out, and the events processed again and again
    /// while the client runs counted once.
    std::vector<std::string> RunJournal() const {
        std::vector<std::string> entries;
        for (const std::string& entry : m_toolkit.JournalOf(
                 {"enabled frmFinish.", "pointer", "text frmFinish.lblStep", "doevents", "msgbox"})) {
            const bool repeatedDoEvents = entry == "doevents" && !entries.empty() && entries.back() == entry;
            if (!entry.ends_with("=") && !repeatedDoEvents) {
                entries.push_back(entry);
            }
        }
        return entries;
    }

    void ExpectRunOverWithOnlyExitEnabled() const {
        EXPECT_FALSE(m_toolkit.Enabled("frmFinish", "cmdFinish"));
        EXPECT_FALSE(m_toolkit.Enabled("frmFinish", "cmdBackofFinish"));
        EXPECT_TRUE(m_toolkit.Enabled("frmFinish", "cmdCancelofSourcefrm"));
        EXPECT_EQ(m_toolkit.Pointer(), MousePointer::Default);
    }

    std::string Log() const {
        const std::string path = m_dir / "Migration.log";
        return std::filesystem::exists(path) ? ReadBytes(path) : std::string();
    }
    /// Step 3 fails on every run here: no server named like the source is registered.
    std::string DropServerEntry() const {
        return LogEntry("-2147221502 RunSQLCommand",
                        "Unable to run the command!: EXEC sp_dropserver '" + Host() + "','droplogins'");
    }

    std::string InOld(const std::string& sql) const {
        return SharedPostgresServer().RunSql(m_oldDatabase, sql);
    }
    std::string InNew(const std::string& sql) const {
        return SharedPostgresServer().RunSql(m_newDatabase, sql);
    }
    std::string NewDocuments() const { return InNew("SELECT count(*) FROM dbo.SYNVORADOCUMENT"); }

    std::string m_oldDatabase;
    std::string m_newDatabase;
    ScopedCurrentDirectory m_cwd{m_dir.Path()};
    ScopedEnvironmentVariable m_path{"PATH", SYNVORA_CLIENT_DIR};
};

TEST_F(MigrationRunTest, StartMovesTheContentAndEndsWithOneInformationBox) {
    PutMigrationScript();
    WalkToTheFinishPage();
    m_toolkit.ExpectMsgBox(kFinished, kMsgBoxInformation);

    PressStart();

    EXPECT_THAT(RunJournal(), Joined(RunUpToStep(6), EndOfRun(kFinished)));
    EXPECT_EQ(m_toolkit.MsgBoxes().size(), 1u);
    ExpectRunOverWithOnlyExitEnabled();
    for (const std::string& query : kContentQueries) {
        EXPECT_EQ(InNew(query), InOld(query)) << query;
    }
    EXPECT_EQ(NewDocuments(), "5\n");
    EXPECT_EQ(Log(), DropServerEntry()) << "the run adds nothing of its own";

    // After the run, Exit ends the program.
    m_toolkit.Click("frmFinish", "cmdCancelofSourcefrm");
    EXPECT_TRUE(m_toolkit.QuitCalled());
    EXPECT_THAT(m_toolkit.ShownPages(), IsEmpty());
}

TEST_F(MigrationRunTest, AFailingJobShowsItsOwnBoxAndTheRunStillFinishes) {
    // No migration.sql in the working folder: the job stops at the copy.
    WalkToTheFinishPage();
    m_toolkit.ExpectMsgBox(kJobStopped, kMsgBoxCritical);
    m_toolkit.ExpectMsgBox(kFinished, kMsgBoxInformation);

    PressStart();

    EXPECT_THAT(RunJournal(), Joined(Joined(RunUpToStep(3), {"msgbox 16 " + std::string(kJobStopped)}),
                                     EndOfRun(kFinished)));
    ExpectRunOverWithOnlyExitEnabled();
    EXPECT_EQ(m_toolkit.Text("frmFinish", "lblStep4"), "");
    EXPECT_EQ(Log(), DropServerEntry() + LogEntry("-2147221496 CopyFile",
                                                  "Unable to copy file '" + (m_dir / "migration.sql") +
                                                      "' to '" + (m_dir / "PelluxDest.sql") + "'."));
    EXPECT_EQ(NewDocuments(), "0\n");
}

// The database job lets no failure out, so only the run's own steps on the screen can fail it.
TEST_F(MigrationRunTest, AFailingBusyPointerEndsTheRunWithErrorsBeforeTheJobStarts) {
    PutMigrationScript();
    WalkToTheFinishPage();
    m_toolkit.FailAt("pointer busy", std::make_exception_ptr(std::bad_alloc()));
    m_toolkit.ExpectMsgBox(kStoppedWithErrors, kMsgBoxInformation);

    PressStart();

    EXPECT_THAT(
        RunJournal(),
        ElementsAre("enabled frmFinish.cmdFinish=0", "enabled frmFinish.cmdBackofFinish=0", "pointer default",
                    "enabled frmFinish.cmdFinish=0", "enabled frmFinish.cmdBackofFinish=0",
                    "msgbox 64 " + std::string(kStoppedWithErrors)));
    ExpectRunOverWithOnlyExitEnabled();
    EXPECT_EQ(m_toolkit.Text("frmFinish", "lblStep1"), "");
    EXPECT_EQ(Log(), "") << "nothing is logged by the run";
    EXPECT_EQ(NewDocuments(), "0\n");
}

TEST_F(MigrationRunTest, AScreenThatFailsEvenAtTheErrorBoxLetsNothingReachTheEventLoop) {
    PutMigrationScript();
    WalkToTheFinishPage();
    // Both boxes must be attempted: the toolkit fails the test for a failure that never came.
    m_toolkit.FailAt("msgbox 64 " + std::string(kFinished), std::make_exception_ptr(std::bad_alloc()));
    m_toolkit.FailAt("msgbox 64 " + std::string(kStoppedWithErrors),
                     std::make_exception_ptr(std::bad_alloc()));

    EXPECT_NO_THROW(PressStart());

    // The job had done its work when the screen failed.
    EXPECT_EQ(m_toolkit.Text("frmFinish", "lblStep6"), "- Finished migrate database content...");
    EXPECT_EQ(NewDocuments(), "5\n");
    EXPECT_THAT(m_toolkit.MsgBoxes(), IsEmpty());
    ExpectRunOverWithOnlyExitEnabled();
    EXPECT_EQ(Log(), DropServerEntry());
}

constexpr const char* kStopScriptQuestion =
    "The migration script is still running. Do you want to stop it? The destination server then undoes what "
    "the "
    "script has not committed.";

class ExitWhileTheScriptRunsTest : public MigrationRunTest {
protected:
    /// Exit is pressed once the client runs (the page shows the elapsed time) and, when given, the
    /// condition holds.
    void PressExitWhileTheScriptRuns(std::function<bool()> condition = [] { return true; }) {
        m_toolkit.DuringNextDoEvents([this, condition] {
            if (m_toolkit.Text("frmFinish", "lblElapsed").empty() || !condition()) {
                PressExitWhileTheScriptRuns(condition);
                return;
            }
            m_toolkit.Click("frmFinish", "cmdCancelofSourcefrm");
        });
    }
};

TEST_F(ExitWhileTheScriptRunsTest, YesStopsTheScriptBeforeItCommitsAndThenTheProgramEnds) {
    // A script that keeps the server busy for a minute inside its transaction before it commits.
    WriteBytes(
        m_dir / "migration.sql",
        "CREATE TABLE stopped_run (id int)\r\nGO\r\n"
        "BEGIN;\r\nINSERT INTO stopped_run VALUES (1);\r\n"
        "DO $$BEGIN FOR i IN 1..600 LOOP PERFORM pg_sleep(0.1); RAISE NOTICE 'working'; END LOOP; END$$;\r\n"
        "COMMIT;\r\nGO\r\nDO $$BEGIN RAISE NOTICE 'COMMIT TRANSACTION'; END$$\r\n");
    WalkToTheFinishPage();
    PressExitWhileTheScriptRuns([this] {
        return InNew(
                   "SELECT count(*) FROM pg_stat_activity WHERE query LIKE 'BEGIN;%' AND state = 'active'") ==
               "1\n";
    });
    m_toolkit.ExpectMsgBox(kStopScriptQuestion, kMsgBoxYesNo, MsgBoxResult::Yes);

    PressStart();

    EXPECT_EQ(m_toolkit.MsgBoxes().size(), 1u) << "the question only";
    EXPECT_TRUE(m_toolkit.QuitCalled());
    EXPECT_THAT(RunJournal(),
                Joined(RunUpToStep(5), {"msgbox 4 " + std::string(kStopScriptQuestion), "pointer default"}));
    EXPECT_EQ(Log(),
              DropServerEntry() + LogEntry("-2147221487 MigrateDatabases",
                                           "The migration script was stopped by the user before it ended."));
    EXPECT_EQ(ReadBytes(m_dir / "PelluxDest.log").find("COMMIT TRANSACTION"), std::string::npos);
    // The first batch had committed; the transaction of the second never did.
    EXPECT_EQ(InNew("SELECT count(*) FROM stopped_run"), "0\n");
}

TEST_F(ExitWhileTheScriptRunsTest, NoLetsTheRunGoOnToItsEnd) {
    PutMigrationScript();
    WalkToTheFinishPage();
    PressExitWhileTheScriptRuns();
    m_toolkit.ExpectMsgBox(kStopScriptQuestion, kMsgBoxYesNo, MsgBoxResult::No);
    m_toolkit.ExpectMsgBox(kFinished, kMsgBoxInformation);

    PressStart();

    EXPECT_EQ(m_toolkit.Text("frmFinish", "lblStep6"), "- Finished migrate database content...");
    EXPECT_EQ(m_toolkit.Text("frmFinish", "lblElapsed"), "");
    EXPECT_EQ(NewDocuments(), "5\n");
    ExpectRunOverWithOnlyExitEnabled();
    EXPECT_FALSE(m_toolkit.QuitCalled());
    EXPECT_EQ(Log(), DropServerEntry());
}

/// How the user leaves the finish page while the run goes on.
enum class Leaving { kExitButton, kWindowFrame };

class LeavingDuringTheRunTest : public MigrationRunTest, public ::testing::WithParamInterface<Leaving> {
protected:
    /// The user leaves while the events after this step line are processed.
    void LeaveWhileLineShown(int slot, const std::string& text) {
        m_toolkit.DuringNextDoEvents([this, slot, text] {
            if (m_toolkit.Text("frmFinish", "lblStep" + std::to_string(slot)) != text) {
                LeaveWhileLineShown(slot, text);
                return;
            }
            m_toolkit.Note("leaving");
            if (GetParam() == Leaving::kExitButton) {
                m_toolkit.Click("frmFinish", "cmdCancelofSourcefrm");
            } else {
                m_toolkit.CloseWindow("frmFinish");
            }
        });
    }
};

TEST_P(LeavingDuringTheRunTest, TheJobStopsAfterItsStepAndThenTheProgramEnds) {
    PutMigrationScript();
    WalkToTheFinishPage();
    LeaveWhileLineShown(3, "- Copy migration script...");

    PressStart();

    EXPECT_THAT(m_toolkit.MsgBoxes(), IsEmpty());
    EXPECT_TRUE(m_toolkit.QuitCalled());
    for (const std::string& page : kPages) {
        EXPECT_FALSE(m_toolkit.IsLoaded(page)) << page;
    }
    // Nothing after the line that was shown; the pointer is given back before the pages go, and
    // they are destroyed only after the run has returned.
    EXPECT_THAT(RunJournal(), Joined(RunUpToStep(3), {"pointer default"}));
    EXPECT_THAT(m_toolkit.JournalOf({"leaving", "pointer default", "quit", "close"}),
                ElementsAre("leaving", "pointer default", "quit", "close frmDestination", "close frmSource",
                            "close frmWelcome", "close frmFinish"));
    // The copy of step 3 was made; the script was neither prepared nor run.
    EXPECT_NE(ReadBytes(m_dir / "PelluxDest.sql").find("$field$SourcePassword$field$"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(m_dir / "PelluxDest.log"));
    EXPECT_EQ(NewDocuments(), "0\n");
    EXPECT_EQ(Log(), DropServerEntry());
}

INSTANTIATE_TEST_SUITE_P(Ways, LeavingDuringTheRunTest,
                         ::testing::Values(Leaving::kExitButton, Leaving::kWindowFrame),
                         [](const auto& info) {
                             return info.param == Leaving::kExitButton ? "Exit" : "WindowFrame";
                         });

}  // namespace
}  // namespace synvora::test
