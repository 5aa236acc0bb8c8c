#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "JobFixture.h"
#include "dbmigration/DatabaseJob.h"
#include "files/ErrorCodes.h"
#include "files/MigrationError.h"
#include "support/FileTree.h"

namespace synvora::test {
namespace {

/// A script that uses every placeholder once on a line of its own.
const std::string kPlaceholderScript =
    "server=SourceServer\r\nuser=SourceUser\r\npassword=SourcePassword\r\ndatabase=SourceDatabase\r\n"
    "new=DestinationDataBase\r\nlogin=DestinationUser\r\n";

// ---- the sequence ----

TEST_F(JobTest, ACommittedRunFillsSlotsOneToSixAndShowsNothing) {
    CopyDemoScript();
    ProbeAnswers(kCommittedOutput);

    MigrateDatabaseContent(m_host);

    EXPECT_EQ(SlotsOf(m_host), SlotsUpTo(6));
    EXPECT_TRUE(m_host.MsgBoxes().empty());
    EXPECT_EQ(m_host.Journal().front(), "clear");
    // Step 3 fails here, as no server named like the source was ever registered; only the log
    // hears of it.
    EXPECT_EQ(LogEntries(), std::vector<LogEntry>{DropServerEntry()});
    ASSERT_TRUE(Probe().has_value());
}

TEST_F(JobTest, StepsWriteTheirSlotsInOrderAndReadTheFieldsWhenTheyNeedThem) {
    CopyDemoScript();
    ProbeAnswers(kCommittedOutput);

    MigrateDatabaseContent(m_host);

    const std::vector<std::string> expected = {
        "clear",
        "step 1: - Start migrate database content...",
        "step 2: - Prepare destination server...",
        "source",
        "destination",
        "step 3: - Copy migration script...",
        "step 4: - Prepare migration script...",
        "source",
        "destination",
        "step 5: - Running migration script...",
        "destination",
        "step 6: - Finished migrate database content...",
    };
    EXPECT_EQ(m_host.Journal(), expected);
}

TEST_F(JobTest, PlaceholdersAreFilledInOrderAndTheClientGetsTheExactWords) {
    WriteScript(kPlaceholderScript);
    m_host.source.server = "DestinationUser";  // filled first, then itself replaced by a later one
    m_host.source.password = "";
    m_host.destination.user = "mi \"grator\"";  // whatever the page accepted arrives whole
    m_host.destination.password = "Dest Pass";
    ProbeAnswers(kCommittedOutput);

    MigrateDatabaseContent(m_host);

    const std::optional<ProbeReport> probe = Probe();
    ASSERT_TRUE(probe.has_value());
    // Each of the six rewrites ends the file in one more CR LF.
    EXPECT_EQ(probe->facts.at("input"),
              "server=mi \"grator\"\r\nuser=sa\r\npassword=\r\ndatabase=" + m_oldDatabase +
                  "\r\nnew=" + m_newDatabase + "\r\nlogin=mi \"grator\"\r\n" + "\r\n\r\n\r\n\r\n\r\n\r\n");
    const std::vector<std::string> expectedArgs = {"/n",
                                                   "/S",
                                                   "127.0.0.1",
                                                   "/U",
                                                   "mi \"grator\"",
                                                   "/d",
                                                   m_newDatabase,
                                                   "/i",
                                                   InFolder("PelluxDest.sql"),
                                                   "/o",
                                                   InFolder("PelluxDest.log")};
    EXPECT_EQ(probe->args, expectedArgs);
    // The password travels in the client's environment, where other users cannot read it.
    EXPECT_EQ(probe->facts.at("password_variable"), "Dest Pass");
}

TEST_F(JobTest, OutputWithoutTheCommitLineStopsTheJobWithoutAnEntryOfItsOwn) {
    CopyDemoScript();
    m_host.ExpectMsgBox(kJobStopped, 16);
    // Only the capitals count.
    ProbeAnswers("Migrated 4 users.\r\ncommit transaction\r\nCommit Transaction\r\n");

    MigrateDatabaseContent(m_host);

    EXPECT_EQ(SlotsOf(m_host), SlotsUpTo(5));
    EXPECT_EQ(LogEntries(), std::vector<LogEntry>{DropServerEntry()});
}

TEST_F(JobTest, AnEmptyClientOutputIsReportedByTextFound) {
    CopyDemoScript();
    m_host.ExpectMsgBox(kJobStopped, 16);
    ProbeAnswers("");

    MigrateDatabaseContent(m_host);

    EXPECT_EQ(SlotsOf(m_host), SlotsUpTo(5));
    const std::vector<LogEntry> expected = {DropServerEntry(),
                                            {"-2147221499 TextFound", "Input past end of file"}};
    EXPECT_EQ(LogEntries(), expected);
}

TEST_F(JobTest, AMissingMigrationScriptStopsAtTheCopyWithBothPathsInTheLog) {
    m_host.ExpectMsgBox(kJobStopped, 16);

    MigrateDatabaseContent(m_host);

    EXPECT_EQ(SlotsOf(m_host), SlotsUpTo(3));
    EXPECT_EQ(m_host.Slot(4), "");
    const std::vector<LogEntry> expected = {
        DropServerEntry(),
        {"-2147221496 CopyFile",
         "Unable to copy file '" + InFolder("migration.sql") + "' to '" + InFolder("PelluxDest.sql") + "'."}};
    EXPECT_EQ(LogEntries(), expected);
    EXPECT_FALSE(std::filesystem::exists(InFolder("PelluxDest.sql")));
    EXPECT_FALSE(Probe().has_value());
}

TEST_F(JobTest, AScriptThatCannotBePreparedShowsTwoBoxesAndLeavesTheChainInTheLog) {
    WriteScript("");  // reading the whole of an empty file fails
    m_host.ExpectMsgBox(kCouldNotPrepare, 16);
    m_host.ExpectMsgBox(kJobStopped, 16);

    MigrateDatabaseContent(m_host);

    EXPECT_EQ(SlotsOf(m_host), SlotsUpTo(4));
    const std::vector<LogEntry> expected = {
        DropServerEntry(),
        {"-2147221499 GetSearchText", "Unable to prepare the SQL script!"},
        {"-2147221488 ReplaceSourceEnDestination", "Migration program could not prepare SQL script!"}};
    EXPECT_EQ(LogEntries(), expected);
    EXPECT_FALSE(Probe().has_value());
}

TEST_F(JobTest, AFailingClientLogsTheMaskedCommandLineTwiceAndAnOldOutputIsNotBelieved) {
    CopyDemoScript();
    WriteBytes(InFolder("PelluxDest.log"), "COMMIT TRANSACTION\r\n");  // from an earlier run
    ProbeAnswers("", 1);
    m_host.ExpectMsgBox(kJobStopped, 16);

    MigrateDatabaseContent(m_host);

    EXPECT_EQ(SlotsOf(m_host), SlotsUpTo(5));
    const std::vector<LogEntry> expected = {
        DropServerEntry(),
        {"-2147221498 RunCommand", "Unable to launch " + MaskedCommandLine()},
        {"-2147221487 MigrateDatabases",
         "Migration was stopped due to some errors! Unable to launch " + MaskedCommandLine()}};
    EXPECT_EQ(LogEntries(), expected);
    EXPECT_EQ(ReadBytes(InFolder("Migration.log")).find(m_password), std::string::npos);
}

TEST_F(JobTest, AClientFoundNeitherBesideTheProgramNorOnPathFailsStepFive) {
    CopyDemoScript();
    UsePath(m_scratch.Path());  // an empty folder
    WriteBytes(InFolder("PelluxDest.log"), "COMMIT TRANSACTION\r\n");
    m_host.destination.password = "";
    m_host.ExpectMsgBox(kJobStopped, 16);

    MigrateDatabaseContent(m_host);

    EXPECT_EQ(SlotsOf(m_host), SlotsUpTo(5));
    const std::string shown = "osql.exe /n /S 127.0.0.1 /U sa /P  /d " + m_newDatabase + " /i " +
                              InFolder("PelluxDest.sql") + " /o " + InFolder("PelluxDest.log");
    const std::vector<LogEntry> entries = LogEntries();
    ASSERT_EQ(entries.size(), 3u);  // the empty password also fails step 3, at its connection
    EXPECT_EQ(entries[1], (LogEntry{"-2147221498 RunCommand", "Unable to launch " + shown}));
    EXPECT_EQ(entries[2], (LogEntry{"-2147221487 MigrateDatabases",
                                    "Migration was stopped due to some errors! Unable to launch " + shown}));
    // The earlier output stays as it was: the client never started.
    EXPECT_EQ(ReadBytes(InFolder("PelluxDest.log")), "COMMIT TRANSACTION\r\n");
}

// ---- files that hold secrets ----

TEST_F(JobTest, AValueTheScriptCannotHoldStopsThePreparationAndTheLogNamesOnlyTheField) {
    WriteScript(kPlaceholderScript);
    m_host.source.password = "\u03A9mega";  // Windows-1252 has no omega: it would become "?mega"
    m_host.ExpectMsgBox(kCouldNotPrepare, 16);
    m_host.ExpectMsgBox(kJobStopped, 16);

    MigrateDatabaseContent(m_host);

    EXPECT_EQ(SlotsOf(m_host), SlotsUpTo(4));
    const std::vector<LogEntry> expected = {
        DropServerEntry(),
        {"-2147221488 ReplaceSourceEnDestination",
         "The field 'Password' of the source database holds a character that the SQL script cannot hold "
         "(Windows-1252)."},
        {"-2147221488 ReplaceSourceEnDestination", "Migration program could not prepare SQL script!"}};
    EXPECT_EQ(LogEntries(), expected);
    // Nothing was filled in, and the client never ran.
    EXPECT_EQ(ReadBytes(InFolder("PelluxDest.sql")), kPlaceholderScript);
    EXPECT_FALSE(Probe().has_value());
}

// ---- Exit pressed while the job runs ----

class JobStopTest : public JobTest, public ::testing::WithParamInterface<int> {};

TEST_P(JobStopTest, TheJobStopsAfterTheStepInWhoseSlotExitWasPressed) {
    const int slot = GetParam();
    CopyDemoScript();
    ProbeAnswers(kCommittedOutput);
    m_host.RequestStopAtStep(slot);

    MigrateDatabaseContent(m_host);

    EXPECT_EQ(SlotsOf(m_host), SlotsUpTo(static_cast<std::size_t>(slot)));
    EXPECT_TRUE(m_host.MsgBoxes().empty());
    // The step whose line was shown was carried out; none after it.
    EXPECT_EQ(!LogEntries().empty(), slot >= 2) << "step 3 leaves its entry";
    EXPECT_EQ(std::filesystem::exists(InFolder("PelluxDest.sql")), slot >= 3);
    if (slot == 3) {
        EXPECT_NE(ReadBytes(InFolder("PelluxDest.sql")).find("$field$SourcePassword$field$"),
                  std::string::npos);
    }
    if (slot == 4) {
        EXPECT_EQ(ReadBytes(InFolder("PelluxDest.sql")).find("SourcePassword"), std::string::npos);
    }
    EXPECT_EQ(Probe().has_value(), slot >= 5);
}

INSTANTIATE_TEST_SUITE_P(Slots, JobStopTest, ::testing::Values(1, 2, 3, 4, 5));

TEST_F(JobTest, AClientStoppedWhileItRunsEndsTheJobWithAnEntryAndNoBox) {
    CopyDemoScript();
    ProbeAnswers(kCommittedOutput);
    const ScopedEnvironmentVariable hanging("SYNVORA_CLIENT_PROBE_HANG", "1");
    // Stopped once the client has written its output and waits.
    m_host.StopBusyWorkWhen([this] { return ReadBytes(InFolder("PelluxDest.log")) == kCommittedOutput; });

    MigrateDatabaseContent(m_host);

    EXPECT_GE(m_host.BusyWorkCalls(), 1);
    EXPECT_FALSE(m_host.BusyWorkGoingOn());
    EXPECT_TRUE(m_host.MsgBoxes().empty());
    EXPECT_EQ(SlotsOf(m_host), SlotsUpTo(5));
    const std::vector<LogEntry> expected = {
        DropServerEntry(),
        {"-2147221487 MigrateDatabases", "The migration script was stopped by the user before it ended."}};
    EXPECT_EQ(LogEntries(), expected);
    ASSERT_TRUE(Probe().has_value()) << "the client had started";
}

TEST_F(JobTest, AStepThatFailsAfterExitWasPressedShowsNoMoreBoxes) {
    WriteScript("");
    m_host.RequestStopAtStep(4);

    MigrateDatabaseContent(m_host);

    EXPECT_TRUE(m_host.MsgBoxes().empty());
    // The failure is still in the log for whoever looks.
    ASSERT_EQ(LogEntries().size(), 3u);
    EXPECT_EQ(LogEntries().back().heading, "-2147221488 ReplaceSourceEnDestination");
}

// ---- the two procedures on their own ----

TEST_F(JobTest, ReplaceSourceEnDestinationRaisesItsOwnErrorAndCreatesNoCopy) {
    m_host.ExpectMsgBox(kCouldNotPrepare, 16);

    try {
        ReplaceSourceEnDestination(Folder(), m_host);
        ADD_FAILURE() << "a missing prepared script must fail";
    } catch (const MigrationError& error) {
        EXPECT_EQ(error.Number(), ErrorCode::kReplaceSourceEnDestination);
        EXPECT_EQ(error.Source(), "ReplaceSourceEnDestination");
        EXPECT_EQ(error.Description(), "Migration program could not prepare SQL script!");
    }
    EXPECT_FALSE(std::filesystem::exists(InFolder("PelluxDest.sql")));
    const std::vector<LogEntry> expected = {
        {"-2147221499 GetSearchText", "Unable to prepare the SQL script!"},
        {"-2147221488 ReplaceSourceEnDestination", "Migration program could not prepare SQL script!"}};
    EXPECT_EQ(LogEntries(), expected);
}

TEST_F(JobTest, MigrateDatabasesRaisesItsOwnErrorWithTheClientsDescription) {
    ProbeAnswers("", 3);

    try {
        MigrateDatabases(Folder(), m_host);
        ADD_FAILURE() << "a client ending with 3 must fail";
    } catch (const MigrationError& error) {
        EXPECT_EQ(error.Number(), ErrorCode::kMigrateDatabases);
        EXPECT_EQ(error.Source(), "MigrateDatabases");
        EXPECT_EQ(error.Description(),
                  "Migration was stopped due to some errors! Unable to launch " + MaskedCommandLine());
    }
}

// ---- a working folder with a blank in its name ----

TEST_F(JobInBlankFolderTest, FilePathsAreQuotedAndReachTheClientWhole) {
    CopyDemoScript();
    ProbeAnswers(kCommittedOutput);

    MigrateDatabaseContent(m_host);

    EXPECT_EQ(SlotsOf(m_host), SlotsUpTo(6));
    const std::optional<ProbeReport> probe = Probe();
    ASSERT_TRUE(probe.has_value());
    ASSERT_EQ(probe->args.size(), 11u);
    EXPECT_EQ(probe->args[8], InFolder("PelluxDest.sql"));
    EXPECT_EQ(probe->args[10], InFolder("PelluxDest.log"));
}

TEST_F(JobInBlankFolderTest, TheLogShowsTheQuotedPaths) {
    CopyDemoScript();
    ProbeAnswers("", 1);
    m_host.ExpectMsgBox(kJobStopped, 16);

    MigrateDatabaseContent(m_host);

    const std::string expected = "Unable to launch osql.exe /n /S 127.0.0.1 /U sa /P ******** /d " +
                                 m_newDatabase + " /i \"" + InFolder("PelluxDest.sql") + "\" /o \"" +
                                 InFolder("PelluxDest.log") + "\"";
    ASSERT_EQ(LogEntries().size(), 3u);
    EXPECT_EQ(LogEntries()[1].message, expected);
}

}  // namespace
}  // namespace synvora::test
