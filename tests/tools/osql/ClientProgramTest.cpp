// Runs the built osql.exe against the PostgreSQL test server, as the database job runs it.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "database/CommandLaunch.h"
#include "database/ScriptText.h"
#include "support/ChildProcess.h"
#include "support/DriverTexts.h"
#include "support/Loopback.h"
#include "support/PostgresFixture.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

namespace synvora::osql {
namespace {

using test::ErrorHeading;
using test::ErrorText;
using test::NoticeText;
using test::ReadBytes;
using test::SharedPostgresServer;
using test::TempDir;
using test::WriteBytes;

constexpr const char* kDatabase = "osqltest";

struct ClientRun {
    int exitCode = -1;
    /// Bytes of the output file (Windows-1252, CR LF).
    std::string output;
    /// What the program wrote to standard output and standard error.
    std::string console;
};

class ClientProgramTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { SharedPostgresServer().CreateDatabase(kDatabase); }

    std::vector<std::string> LoginArgs(const std::string& password) const {
        const test::PostgresServer& server = SharedPostgresServer();
        return {"/S", server.Host(), "/U", server.Admin().user, "/P", password, "/d", kDatabase};
    }

    /// Runs the client on the arguments; its standard input is the file named by input, if any.
    ClientRun Run(const std::vector<std::string>& args, const std::string& input = "",
                  const std::vector<std::string>& environment = {}) const {
        std::vector<std::string> argv = {OSQL_PROGRAM};
        argv.insert(argv.end(), args.begin(), args.end());
        ClientRun run;
        run.exitCode =
            test::RunProcess(argv, test::SpawnOptions{-1, m_dir / "console.txt", environment, false, input});
        run.output = ReadBytes(OutputPath());
        run.console = ReadBytes(m_dir / "console.txt");
        return run;
    }

    /// Runs a script (Windows-1252 bytes) the way the database job does, plus extra switches.
    ClientRun RunScript(const std::string& script, const std::vector<std::string>& extra = {"/n"}) const {
        WriteBytes(InputPath(), script);
        std::vector<std::string> args = extra;
        for (const std::string& word : LoginArgs(SharedPostgresServer().Admin().password)) {
            args.push_back(word);
        }
        args.insert(args.end(), {"/i", InputPath(), "/o", OutputPath()});
        return Run(args);
    }

    std::string InputPath() const { return m_dir / "PelluxDest.sql"; }
    std::string OutputPath() const { return m_dir / "PelluxDest.log"; }

    TempDir m_dir;
};

TEST_F(ClientProgramTest, DividesTheScriptAtGoLinesOnly) {
    const ClientRun run = RunScript(
        "SELECT 'first' AS batch\r\nGO\r\n"
        "select 'second' AS batch\r\ngo\r\n"
        "SELECT 'third' AS batch\r\n Go \t\r\n"
        "SELECT 'GO' AS batch /*\r\nGO\r\n*/\r\nGO\r\n"
        "-- GO\r\nSELECT 'last' AS batch");
    EXPECT_EQ(run.exitCode, 0) << run.console;
    EXPECT_EQ(run.output,
              "batch\r\n-----\r\nfirst\r\n(1 row affected)\r\n"
              "batch\r\n------\r\nsecond\r\n(1 row affected)\r\n"
              "batch\r\n-----\r\nthird\r\n(1 row affected)\r\n"
              "batch\r\n-----\r\nGO\r\n(1 row affected)\r\n"
              "batch\r\n-----\r\nlast\r\n(1 row affected)\r\n");
}

TEST_F(ClientProgramTest, TheJobsOwnCommandLineFindsAndRunsTheClient) {
    // The command line as the database job builds it, for a working folder with a blank (the
    // file paths quoted), started through the job's command launch, which finds osql.exe beside
    // the running program.
    const std::string folder = m_dir / "working folder";
    std::filesystem::create_directory(folder);
    WriteBytes(
        folder + "/PelluxDest.sql",
        "SELECT 'migrated' AS step\r\nGO\r\nDO $$BEGIN RAISE NOTICE 'COMMIT TRANSACTION'; END$$\r\nGO\r\n");
    const test::PostgresServer& server = SharedPostgresServer();
    RunCommand("osql.exe /n /S " + server.Host() + " /U " + server.Admin().user + " /P " +
               server.Admin().password + " /d " + kDatabase + " /i \"" + folder + "/PelluxDest.sql\" /o \"" +
               folder + "/PelluxDest.log\"");
    EXPECT_EQ(ReadBytes(folder + "/PelluxDest.log"), "step\r\n--------\r\nmigrated\r\n(1 row affected)\r\n" +
                                                         NoticeText("COMMIT TRANSACTION") + "\r\n");
    EXPECT_TRUE(TextFound(folder + "/PelluxDest.log", "COMMIT TRANSACTION"));
}

TEST_F(ClientProgramTest, WithoutNEveryBatchShowsItsLinePromptsAndEWritesTheBatch) {
    const ClientRun prompts = RunScript("SELECT 1 AS a\r\nGO\r\nSELECT 2 AS b;\r\nSELECT 3 AS c\r\n", {});
    EXPECT_EQ(prompts.exitCode, 0) << prompts.console;
    EXPECT_EQ(prompts.output,
              "1> 2> a\r\n-\r\n1\r\n(1 row affected)\r\n"
              "1> 2> b\r\n-\r\n2\r\n(1 row affected)\r\nc\r\n-\r\n3\r\n(1 row affected)\r\n");
    const ClientRun echo = RunScript("SELECT 1 AS a\r\nGO\r\n", {"/n", "/e"});
    EXPECT_EQ(echo.output, "SELECT 1 AS a\r\na\r\n-\r\n1\r\n(1 row affected)\r\n");
}

TEST_F(ClientProgramTest, ServerNoticesReachTheOutputSoTheJobSeesTheCommit) {
    const ClientRun run = RunScript(
        "BEGIN;\r\nCREATE TABLE migrated (id int);\r\nINSERT INTO migrated VALUES (1), "
        "(2);\r\nCOMMIT;\r\nGO\r\n"
        "DO $$BEGIN RAISE NOTICE 'COMMIT TRANSACTION'; END$$\r\nGO\r\n"
        "DO $$BEGIN RAISE NOTICE 'Stra\xDF"
        "e one'; RAISE NOTICE 'two'; END$$\r\nGO\r\n");
    EXPECT_EQ(run.exitCode, 0) << run.console;
    EXPECT_NE(run.output.find("\r\n" + NoticeText("COMMIT TRANSACTION") + "\r\n"), std::string::npos)
        << run.output;
    EXPECT_TRUE(TextFound(OutputPath(), "COMMIT TRANSACTION"));
    // In the order the server sent them; the PostgreSQL driver joins the notices of one call with
    // ";", FreeTDS passes each as a message of its own, as PRINT output arrives.
    const std::string notices = test::CurrentTestDriver() == test::TestDriver::kFreeTds
                                    ? "Stra\xDF"
                                      "e one\r\ntwo\r\n"
                                    : "NOTICE: Stra\xDF"
                                      "e one;NOTICE: two\r\n";
    EXPECT_NE(run.output.find(notices), std::string::npos) << run.output;
}

TEST_F(ClientProgramTest, AMigrationThatFailsDoesNotReportTheCommit) {
    const ClientRun run = RunScript(
        "DO $$BEGIN INSERT INTO no_such_table VALUES (1); RAISE NOTICE 'COMMIT TRANSACTION'; "
        "END$$\r\nGO\r\n");
    EXPECT_EQ(run.exitCode, 0) << run.console;
    EXPECT_NE(run.output.find(ErrorHeading(208, 1) + "\r\n"), std::string::npos) << run.output;
    EXPECT_FALSE(TextFound(OutputPath(), "COMMIT TRANSACTION"));
}

TEST_F(ClientProgramTest, AFailedBatchIsReportedAndTheScriptGoesOnUnlessBIsGiven) {
    const std::string script = "SELECT * FROM no_such_table\r\nGO\r\nSELECT 'after' AS status\r\nGO\r\n";
    const ClientRun run = RunScript(script);
    EXPECT_EQ(run.exitCode, 0) << run.console;
    EXPECT_EQ(run.output.find(ErrorHeading(208, 1) + "\r\n" +
                              ErrorText("relation \"no_such_table\" does not exist")),
              0u)
        << run.output;
    EXPECT_NE(run.output.find("status\r\n------\r\nafter\r\n(1 row affected)\r\n"), std::string::npos);

    const ClientRun stopped = RunScript(script, {"/n", "/b"});
    EXPECT_EQ(stopped.exitCode, 1);
    EXPECT_NE(stopped.output.find(ErrorHeading(208, 1)), std::string::npos) << stopped.output;
    EXPECT_EQ(stopped.output.find("after"), std::string::npos) << stopped.output;

    const ClientRun clean = RunScript("SELECT 1 AS a\r\nGO\r\n", {"/n", "/b"});
    EXPECT_EQ(clean.exitCode, 0) << clean.output;
}

TEST_F(ClientProgramTest, AnErrorInsideABatchStopsTheRestOfThatBatch) {
    SharedPostgresServer().RunSql(kDatabase, "CREATE TABLE stops (a int);");
    const ClientRun run = RunScript(
        "INSERT INTO stops VALUES (1); SELECT 1/0; INSERT INTO stops VALUES (2);\r\nGO\r\n"
        "SELECT count(*) AS later FROM stops WHERE a = 2\r\n");
    EXPECT_EQ(run.exitCode, 0) << run.console;
    EXPECT_NE(run.output.find(ErrorHeading(8134, 1) + "\r\n" + ErrorText("division by zero")),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("later\r\n-----\r\n0\r\n"), std::string::npos) << run.output;
}

TEST_F(ClientProgramTest, MessagesKeepTheirPlaceAmongTheResultsAndErrorsNameTheirLine) {
    if (test::CurrentTestDriver() == test::TestDriver::kPostgres) {
        GTEST_SKIP() << "the PostgreSQL driver drops the results of a batch whose later statement fails";
    }
    const ClientRun run = RunScript(
        "SELECT 'a' AS x;\r\nDO $$BEGIN RAISE NOTICE 'after the rows'; END$$;\r\n\r\nSELECT * FROM\r\n  "
        "no_such_table\r\nGO\r\n");
    EXPECT_EQ(run.exitCode, 0) << run.console;
    EXPECT_EQ(run.output, "x\r\n-\r\na\r\n(1 row affected)\r\n" + NoticeText("after the rows") + "\r\n" +
                              ErrorHeading(208, 5) + "\r\n" +
                              ErrorText("relation \"no_such_table\" does not exist") + "\r\n");
}

TEST_F(ClientProgramTest, RowsAreWrittenAsTextTablesWithTheirCounts) {
    SharedPostgresServer().RunSql(kDatabase, "CREATE TABLE people (id int, name varchar(20), note text);");
    const ClientRun run = RunScript(
        "INSERT INTO people VALUES (1, 'Ann', NULL), (22, 'Bartholomew', 'x'), (3, NULL, 'long "
        "note')\r\nGO\r\n"
        "UPDATE people SET note = 'y' WHERE id = 22\r\nGO\r\n"
        "DELETE FROM people WHERE id = 99\r\nGO\r\n"
        "SELECT id, name, note FROM people ORDER BY id\r\nGO\r\n"
        "SELECT id FROM people WHERE id = 1;\r\nSELECT name FROM people WHERE false\r\n");
    EXPECT_EQ(run.exitCode, 0) << run.console;
    EXPECT_EQ(run.output,
              "(3 rows affected)\r\n"
              "(1 row affected)\r\n"
              "(0 rows affected)\r\n"
              "id name        note\r\n"
              "-- ----------- ---------\r\n"
              "1  Ann         NULL\r\n"
              "3  NULL        long note\r\n"
              "22 Bartholomew y\r\n"
              "(3 rows affected)\r\n"
              "id\r\n--\r\n1\r\n(1 row affected)\r\n"
              "name\r\n----\r\n(0 rows affected)\r\n");
}

TEST_F(ClientProgramTest, NonAsciiTextCrossesTheServerAndLandsInWindows1252) {
    SharedPostgresServer().RunSql(kDatabase, "CREATE TABLE words (w text);");
    const ClientRun run = RunScript(
        "INSERT INTO words VALUES ('Gr\xFC\xDF"
        "e \x80 \x9C')\r\nGO\r\n"
        "SELECT w AS word, chr(937) AS omega FROM words\r\nGO\r\n");
    EXPECT_EQ(run.exitCode, 0) << run.console;
    EXPECT_EQ(run.output,
              "(1 row affected)\r\n"
              "word      omega\r\n"
              "--------- -----\r\n"
              "Gr\xFC\xDF"
              "e \x80 \x9C ?\r\n"
              "(1 row affected)\r\n");
    // The server holds the characters themselves, not the code page's bytes.
    EXPECT_EQ(SharedPostgresServer().RunSql(kDatabase, "SELECT w FROM words;"),
              "Gr\u00FC\u00DFe \u20AC \u0153\n");
}

TEST_F(ClientProgramTest, AFailedLoginEndsWithOneAndItsReasonButNeverThePassword) {
    const std::string wrong = "Wr0ng-Secret-77";
    std::vector<std::string> args = {"/n"};
    for (const std::string& word : LoginArgs(wrong)) {
        args.push_back(word);
    }
    WriteBytes(InputPath(), "SELECT 1\r\n");
    args.insert(args.end(), {"/i", InputPath(), "/o", OutputPath()});
    const ClientRun run = Run(args);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("Msg "), std::string::npos) << run.output;
    EXPECT_NE(run.output.find(test::LoginFailedText("sa")), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find(wrong), std::string::npos) << run.output;
    EXPECT_EQ(run.console.find(wrong), std::string::npos) << run.console;

    // Without an output file the reason goes to standard error.
    const ClientRun console =
        Run({"/S", SharedPostgresServer().Host(), "/U", "sa", "/P", wrong, "/i", InputPath()});
    EXPECT_EQ(console.exitCode, 1);
    EXPECT_NE(console.console.find(test::LoginFailedText("sa")), std::string::npos) << console.console;
    EXPECT_EQ(console.console.find(wrong), std::string::npos) << console.console;
}

TEST_F(ClientProgramTest, TheLoginTimeOutEndsAWaitForAServerThatNeverAnswers) {
    // On another loopback address at the driver's own port: the server's name alone leads there.
    test::SilentServer listener("127.0.0.3", SharedPostgresServer().DriverPort());
    WriteBytes(InputPath(), "SELECT 1\r\n");
    std::vector<std::string> args = {"/n", "/l", "1"};
    for (const std::string& word : LoginArgs(SharedPostgresServer().Admin().password)) {
        args.push_back(word);
    }
    args.at(4) = "127.0.0.3";  // after /S
    args.insert(args.end(), {"/i", InputPath(), "/o", OutputPath()});
    const ClientRun run = Run(args);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.output.rfind("Msg ", 0), 0u) << run.output;
    // "Timeout expired" (FreeTDS) or "... failed: timeout expired" (PostgreSQL).
    EXPECT_NE(run.output.find("imeout expired\r\n"), std::string::npos) << run.output;
    EXPECT_GE(listener.Connections(), 1) << "the client never reached the silent server";
}

TEST_F(ClientProgramTest, ThePasswordComesFromTheEnvironmentAndNeverChangesTheServersWords) {
    // A login whose password is also a part of ordinary words.
    static const bool created = [] {
        SharedPostgresServer().RunSql(kDatabase, "CREATE ROLE plain_login LOGIN PASSWORD 'ON';");
        return true;
    }();
    (void)created;
    WriteBytes(InputPath(),
               "SELECT 'ON' AS word\r\nGO\r\nDO $$BEGIN RAISE NOTICE 'COMMIT TRANSACTION'; END$$\r\nGO\r\n");
    const std::vector<std::string> args = {"/n", "/e",          "/S", SharedPostgresServer().Host(),
                                           "/U", "plain_login", "/d", kDatabase,
                                           "/i", InputPath(),   "/o", OutputPath()};

    const ClientRun run = Run(args, "", {"OSQLPASSWORD=ON"});
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(run.output,
              "SELECT 'ON' AS word\r\nword\r\n----\r\nON\r\n(1 row affected)\r\n"
              "DO $$BEGIN RAISE NOTICE 'COMMIT TRANSACTION'; END$$\r\n" +
                  NoticeText("COMMIT TRANSACTION") + "\r\n");

    // /P, where given, is the password; without either there is none.
    std::vector<std::string> withWrongP = args;
    withWrongP.insert(withWrongP.begin(), {"/P", "OFF"});
    EXPECT_EQ(Run(withWrongP, "", {"OSQLPASSWORD=ON"}).exitCode, 1);
    const ClientRun without = Run(args, "", {"OSQLPASSWORD="});
    EXPECT_EQ(without.exitCode, 1);
    EXPECT_NE(without.output.find(test::EmptyPasswordText("plain_login")), std::string::npos)
        << without.output;
}

TEST_F(ClientProgramTest, AnInputThatIsNoTextScriptIsRefusedBeforeAnythingOfItRuns) {
    SharedPostgresServer().RunSql(kDatabase, "CREATE TABLE kept (id int); INSERT INTO kept VALUES (1), (2);");
    const ClientRun nul = RunScript(std::string("SELECT 1\r\nGO\r\nDELETE FROM kept\0 WHERE id = 1\r\n", 39));
    EXPECT_EQ(nul.exitCode, 1);
    EXPECT_EQ(nul.output,
              "osql.exe: the input file " + InputPath() +
                  " holds a NUL byte on line 3; it is not a text script, and nothing of it was run\r\n");
    EXPECT_EQ(SharedPostgresServer().RunSql(kDatabase, "SELECT count(*) FROM kept;"), "2\n");

    std::vector<std::string> args;
    // A device of endless NUL bytes, where the system has one.
    if (const std::string zero = test::ZeroDevice(); !zero.empty()) {
        args = LoginArgs(SharedPostgresServer().Admin().password);
        args.insert(args.end(), {"/i", zero, "/o", OutputPath()});
        const ClientRun zeros = Run(args);
        EXPECT_EQ(zeros.exitCode, 1);
        EXPECT_NE(zeros.output.find(zero + " holds a NUL byte on line 1"), std::string::npos) << zeros.output;
    }

    // Far more than any script: refused by its size, without being read.
    const std::string huge = m_dir / "huge.sql";
    WriteBytes(huge, "");
    std::filesystem::resize_file(test::FsPath(huge), std::uintmax_t{256} * 1024 * 1024 + 1);
    args = LoginArgs(SharedPostgresServer().Admin().password);
    args.insert(args.end(), {"/i", huge, "/o", OutputPath()});
    const ClientRun large = Run(args);
    EXPECT_EQ(large.exitCode, 1);
    EXPECT_EQ(large.output, "osql.exe: the input file " + huge +
                                " is larger than 256 MB; it is not a script, and nothing of it was run\r\n");
}

TEST_F(ClientProgramTest, ANoticeIsNeverAnErrorAlsoWithB) {
    const ClientRun run = RunScript(
        "CREATE EXTENSION IF NOT EXISTS plpgsql\r\nGO\r\nSELECT 'after' AS status\r\nGO\r\n", {"/n", "/b"});
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(run.output, NoticeText("extension \"plpgsql\" already exists, skipping") + "\r\n" +
                              test::UncountedStatementLine() +
                              "status\r\n------\r\nafter\r\n(1 row affected)\r\n");
}

TEST_F(ClientProgramTest, AnEmptyPasswordReachesTheServerAsAnEmptyPassword) {
    WriteBytes(InputPath(), "SELECT 1\r\n");
    // The job's command line with an empty password: "/P" directly followed by "/d".
    const ClientRun run = Run({"/n", "/S", SharedPostgresServer().Host(), "/U", "sa", "/P", "/d", kDatabase,
                               "/i", InputPath(), "/o", OutputPath()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.console, "");
    EXPECT_NE(run.output.find(test::EmptyPasswordText("sa")), std::string::npos) << run.output;
}

TEST_F(ClientProgramTest, MissingInputAndUnwritableOutputEndWithOne) {
    const std::vector<std::string> login = LoginArgs(SharedPostgresServer().Admin().password);
    std::vector<std::string> args = login;
    args.insert(args.end(), {"/i", m_dir / "missing.sql", "/o", OutputPath()});
    const ClientRun missingInput = Run(args);
    EXPECT_EQ(missingInput.exitCode, 1);
    EXPECT_EQ(missingInput.output,
              "osql.exe: cannot read the input file " + (m_dir / "missing.sql") + ": File not found\r\n");

    WriteBytes(InputPath(), "SELECT 1\r\n");
    WriteBytes(m_dir / "plain-file", "");
    for (const std::string& output : {m_dir / "no-folder/out.log", m_dir / "plain-file/out.log"}) {
        args = login;
        args.insert(args.end(), {"/i", InputPath(), "/o", output});
        const ClientRun run = Run(args);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.console.find("osql.exe: cannot create the output file " + output + ": "),
                  std::string::npos)
            << run.console;
    }

    // An output that fails while the script runs: every write to /dev/full finds no space (Windows
    // has no such device).
    if (const std::string full = test::FullDevice(); !full.empty()) {
        args = login;
        args.insert(args.end(), {"/i", InputPath(), "/o", full});
        const ClientRun run = Run(args);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.console, "osql.exe: cannot write to " + full + ": Disk full" + test::TextLineEnd());
    }
}

TEST_F(ClientProgramTest, UsageAndUnknownSwitches) {
    const ClientRun usage = Run({"/?"});
    EXPECT_EQ(usage.exitCode, 0);
    EXPECT_EQ(usage.console.rfind("usage: osql.exe", 0), 0u) << usage.console;

    // The reason goes where the run's output was to go, so that the output file tells it.
    WriteBytes(OutputPath(), "COMMIT TRANSACTION\r\n");
    const ClientRun unknown = Run({"/U", "sa", "/X", "/o", OutputPath()});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_EQ(unknown.output.rfind("osql.exe: unknown switch /X\r\nusage: osql.exe", 0), 0u)
        << unknown.output;
    EXPECT_EQ(unknown.output.find("COMMIT TRANSACTION"), std::string::npos);
    EXPECT_EQ(unknown.console, "");
    const ClientRun noOutput = Run({"/U", "sa", "/X"});
    EXPECT_EQ(
        noOutput.console.rfind("osql.exe: unknown switch /X" + test::TextLineEnd() + "usage: osql.exe", 0),
        0u)
        << noOutput.console;
}

TEST_F(ClientProgramTest, ReadsStandardInputAndWritesStandardOutputWhenNoFilesAreNamed) {
    WriteBytes(InputPath(),
               "SELECT 'Gr\xFC\xDF"
               "e' AS w\r\nGO\r\n");
    std::vector<std::string> args = {"/n"};
    for (const std::string& word : LoginArgs(SharedPostgresServer().Admin().password)) {
        args.push_back(word);
    }
    const ClientRun run = Run(args, InputPath());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.console,
              "w\r\n-----\r\nGr\xFC\xDF"
              "e\r\n(1 row affected)\r\n");
}

TEST_F(ClientProgramTest, WhatTheServerSaidIsInTheFileBeforeTheRunEnds) {
    WriteBytes(InputPath(), "SELECT 'done' AS first\r\nGO\r\nSELECT pg_sleep(30)\r\nGO\r\n");
    std::vector<std::string> argv = {OSQL_PROGRAM, "/n"};
    for (const std::string& word : LoginArgs(SharedPostgresServer().Admin().password)) {
        argv.push_back(word);
    }
    argv.insert(argv.end(), {"/i", InputPath(), "/o", OutputPath()});
    test::ChildProcess client(argv, test::SpawnOptions{});
    // While the second batch keeps the server busy, the first batch's result must be readable.
    const std::string expected = "first\r\n-----\r\ndone\r\n(1 row affected)\r\n";
    bool seen = false;
    for (int attempt = 0; attempt < 1000 && !seen; ++attempt) {
        seen = ReadBytes(OutputPath()) == expected;
        if (!seen) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    EXPECT_TRUE(seen) << ReadBytes(OutputPath());
    // The client's destructor stops the program that is still waiting for the server.
}

// A linked server that cannot be reached fails its statement with 08001 while this client's own
// connection is fine: an ordinary failed batch.
TEST_F(ClientProgramTest, AConnectionErrorOfAStatementIsAFailedBatchAndTheScriptGoesOn) {
    const ClientRun run = RunScript(
        "DO $$BEGIN RAISE EXCEPTION 'could not establish connection' USING ERRCODE = '08001'; END$$\r\nGO\r\n"
        "SELECT 'after' AS status\r\nGO\r\n");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(run.output.find(ErrorHeading(50000, 1) + "\r\n" + ErrorText("could not establish connection")),
              0u)
        << run.output;
    EXPECT_NE(run.output.find("status\r\n------\r\nafter\r\n(1 row affected)\r\n"), std::string::npos)
        << run.output;
    EXPECT_EQ(run.output.find("osql.exe:"), std::string::npos) << run.output;

    // With /b it is the failed batch that ends the run, as any other.
    const ClientRun stopped = RunScript(
        "DO $$BEGIN RAISE EXCEPTION 'no link' USING ERRCODE = '08001'; END$$\r\nGO\r\nSELECT "
        "'after'\r\nGO\r\n",
        {"/n", "/b"});
    EXPECT_EQ(stopped.exitCode, 1);
    EXPECT_EQ(stopped.output.find("after"), std::string::npos) << stopped.output;
    EXPECT_EQ(stopped.output.find("connection to the server was lost"), std::string::npos) << stopped.output;
}

TEST_F(ClientProgramTest, ALostConnectionEndsTheRunWithOne) {
    const ClientRun run = RunScript(
        "SELECT pg_terminate_backend(pg_backend_pid())\r\nGO\r\nSELECT 'never' AS w\r\nGO\r\nSELECT 'nor' AS "
        "w\r\n");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find(
                  "osql.exe: the connection to the server was lost; the rest of the script was not run"),
              std::string::npos)
        << run.output;
    EXPECT_EQ(run.output.find("never\r\n"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("nor\r\n"), std::string::npos) << run.output;
}

}  // namespace
}  // namespace synvora::osql
