#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "database/SqlServer.h"
#include "database/odbc/DataAccess.h"
#include "files/ErrorCodes.h"
#include "files/MigrationError.h"
#include "support/FailingAllocation.h"
#include "support/PostgresFixture.h"
#include "support/TempDir.h"

namespace synvora {
namespace {

using test::PostgresServer;
using test::SharedPostgresServer;

const std::string kOldDatabase = "oldsynvora";
const std::string kNewDatabase = "newsynvora";
// Logins whose passwords only work when the connection string keeps them whole.
const std::string kSemicolonUser = "semicolon";
const std::string kSemicolonPassword = "pa;ss{word";
const std::string kBraceUser = "brace";
const std::string kBracePassword = "pa}ss;word}";
const std::string kBlankUser = "blanks";
const std::string kBlankPassword = " spaced out ";
const std::string kNonAsciiUser = "umlaut";
const std::string kNonAsciiPassword = "P\u00E4ssw\u00F6rd\u20AC";
// Characters of one, two and three UTF-8 bytes, and a surrogate pair in UTF-16.
const std::string kLongPiece = "ab\u00E9\u20AC\U0001F600";

std::string Repeat(const std::string& piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) {
        text += piece;
    }
    return text;
}

class SqlServerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        InitializeDataAccess();
        const PostgresServer& server = SharedPostgresServer();
        server.CreateParameterDatabase(kOldDatabase);
        server.CreateParameterDatabase(kNewDatabase);
        server.RunSql(kOldDatabase,
                      "INSERT INTO dbo.SYNVORAPARAMETER VALUES "
                      "('AttachmentsVirtualPath', 'D:\\E-Synvora\\Attachments'), "
                      "('ExcelTempFolder', 'C:\\Caf\u00E9 \u20AC\\Temp'), "
                      "('NullParameter', NULL), ('EmptyParameter', ''), "
                      "('LongParameter', repeat(" +
                          PostgresServer::Literal(kLongPiece) +
                          ", 20000));\n"
                          // The rows come back in seq order, which is not the order of the values.
                          "CREATE VIEW dbo.ORDEREDPARAMETER AS SELECT PARAMNAME, PARAMVALUE FROM (VALUES "
                          "(1, 'Duplicate', 'zeta'), (2, 'Duplicate', 'alpha'), (3, 'Duplicate', 'mid')) "
                          "AS v(seq, PARAMNAME, PARAMVALUE) ORDER BY seq;\n");
        server.CreateLogin(kSemicolonUser, kSemicolonPassword);
        server.CreateLogin(kBraceUser, kBracePassword);
        server.CreateLogin(kBlankUser, kBlankPassword);
        server.CreateLogin(kNonAsciiUser, kNonAsciiPassword);
    }

    std::string Host() const { return SharedPostgresServer().Host(); }
    std::string Password() const { return SharedPostgresServer().Admin().password; }
    std::string User() const { return SharedPostgresServer().Admin().user; }
    bool LogExists() const { return std::filesystem::exists(m_dir / "Migration.log"); }
    std::string LogBytes() const { return test::ReadBytes(m_dir / "Migration.log"); }

    std::string Parameter(const std::string& name, const std::string& table = "SYNVORAPARAMETER") const {
        return GetValueFromDatabase(Host(), User(), Password(), kOldDatabase, "PARAMVALUE", name, table,
                                    "PARAMNAME");
    }

    test::TempDir m_dir;
    test::ScopedCurrentDirectory m_cwd{m_dir.Path()};
};

/// Runs call, which must raise; returns the raised error for inspection.
template <typename Call>
MigrationError RaisedBy(Call call) {
    try {
        call();
    } catch (const MigrationError& error) {
        return error;
    }
    ADD_FAILURE() << "the call raised nothing";
    return MigrationError(0, "", "");
}

TEST_F(SqlServerTest, TestConnectionSucceedsWithValidDetailsAndLogsNothing) {
    EXPECT_EQ(TestConnection(Host(), User(), Password(), kOldDatabase), 0);
    EXPECT_EQ(TestConnection(Host(), User(), Password(), kNewDatabase), 0);
    EXPECT_FALSE(LogExists());
}

TEST_F(SqlServerTest, TestConnectionAnswersOneForEveryKindOfFailureAndLogsNothing) {
    EXPECT_EQ(TestConnection(Host(), User(), "wrong", kOldDatabase), 1) << "wrong password";
    EXPECT_EQ(TestConnection(Host(), User(), "", kOldDatabase), 1) << "empty password";
    EXPECT_EQ(TestConnection(Host(), "nobody", Password(), kOldDatabase), 1) << "unknown login";
    EXPECT_EQ(TestConnection(Host(), User(), Password(), "nosuchdatabase"), 1) << "wrong database";
    // Nothing listens on this loopback address.
    EXPECT_EQ(TestConnection("127.0.0.2", User(), Password(), kOldDatabase), 1) << "no server";
    EXPECT_EQ(TestConnection(" ", User(), Password(), kOldDatabase), 1) << "blank server";
    EXPECT_FALSE(LogExists());
}

TEST_F(SqlServerTest, TestConnectionAnswersOneWhenAnyOfItsAllocationsFails) {
    // Each allocation of a successful attempt is refused in turn. TestConnection must answer 1
    // every time; an error escaping it would end the program.
    long nth = 1;
    for (;; ++nth) {
        ASSERT_LT(nth, 100000) << "the attempt never completes";
        test::FailingAllocation failing(nth);
        const std::int32_t result = TestConnection(Host(), User(), Password(), kOldDatabase);
        if (!failing.Happened()) {
            EXPECT_EQ(result, 0) << "with every allocation granted";
            break;
        }
        EXPECT_EQ(result, 1) << "allocation " << nth << " refused";
    }
    EXPECT_GT(nth, 1) << "no allocation was refused: nothing was tested";
    EXPECT_FALSE(LogExists());
}

TEST_F(SqlServerTest, PasswordsWithSeparatorsBracesAndBlanksLogInWhole) {
    EXPECT_EQ(TestConnection(Host(), kSemicolonUser, kSemicolonPassword, kOldDatabase), 0);
    EXPECT_EQ(TestConnection(Host(), kSemicolonUser, "pa", kOldDatabase), 1);
    EXPECT_EQ(TestConnection(Host(), kBlankUser, kBlankPassword, kOldDatabase), 0);
    EXPECT_EQ(TestConnection(Host(), kBlankUser, "spaced out", kOldDatabase), 1);
    // Braces inside a braced value are written as they stand, the way FreeTDS reads them; the
    // PostgreSQL driver would want "}" doubled.
    if (test::CurrentTestDriver() == test::TestDriver::kFreeTds) {
        EXPECT_EQ(TestConnection(Host(), kBraceUser, kBracePassword, kOldDatabase), 0);
    }
}

TEST_F(SqlServerTest, NonAsciiPasswordsArriveIntact) {
    EXPECT_EQ(TestConnection(Host(), kNonAsciiUser, kNonAsciiPassword, kOldDatabase), 0);
    EXPECT_EQ(TestConnection(Host(), kNonAsciiUser, "P\u00E4ssw\u00F6rd", kOldDatabase), 1);
}

TEST_F(SqlServerTest, RunSQLCommandRunsTheStatementAndLogsNothing) {
    EXPECT_EQ(RunSQLCommand(Host(), User(), Password(), kNewDatabase,
                            "INSERT INTO dbo.SYNVORAPARAMETER VALUES ('FromCommand', 'yes')"),
              0);
    EXPECT_EQ(
        SharedPostgresServer().RunSql(
            kNewDatabase, "SELECT PARAMVALUE FROM dbo.SYNVORAPARAMETER WHERE PARAMNAME = 'FromCommand';"),
        "yes\n");
    EXPECT_FALSE(LogExists());
}

TEST_F(SqlServerTest, RunSQLCommandReadsThroughEveryResultOfABatch) {
    EXPECT_EQ(RunSQLCommand(Host(), User(), Password(), kNewDatabase,
                            "SELECT 1; SELECT PARAMNAME FROM dbo.SYNVORAPARAMETER; "
                            "INSERT INTO dbo.SYNVORAPARAMETER VALUES ('Batch', 'done')"),
              0);
    EXPECT_EQ(SharedPostgresServer().RunSql(
                  kNewDatabase, "SELECT count(*) FROM dbo.SYNVORAPARAMETER WHERE PARAMNAME = 'Batch';"),
              "1\n");
}

TEST_F(SqlServerTest, RunSQLCommandThatCannotConnectLogsTheDetailsWithTheHiddenPassword) {
    const MigrationError error = RaisedBy(
        [&] { RunSQLCommand(Host(), User(), "wrong-secret", "master", "EXEC sp_dropserver 'OLD'"); });
    const std::string message =
        "Unable to connect with given input! Host= 127.0.0.1, User= sa, Password= ********, Database= master";
    EXPECT_EQ(error.Number(), ErrorCode::kRunSQLCommand);
    EXPECT_EQ(error.Source(), "RunSQLCommand");
    EXPECT_EQ(error.Description(), message);
    EXPECT_EQ(LogBytes(), "-2147221502 RunSQLCommand\r\n" + message + "\r\n\r\n\r\n");
}

TEST_F(SqlServerTest, RunSQLCommandWithAnEmptyPasswordLogsItEmpty) {
    const MigrationError error =
        RaisedBy([&] { RunSQLCommand("127.0.0.2", "admin", "", "master", "SELECT 1"); });
    EXPECT_EQ(
        error.Description(),
        "Unable to connect with given input! Host= 127.0.0.2, User= admin, Password= , Database= master");
    EXPECT_EQ(LogBytes(), "-2147221502 RunSQLCommand\r\n" + error.Description() + "\r\n\r\n\r\n");
}

TEST_F(SqlServerTest, RunSQLCommandWithARejectedStatementLogsTheStatement) {
    const std::string command = "EXEC sp_dropserver 'OLDSERVER','droplogins'";
    const MigrationError error =
        RaisedBy([&] { RunSQLCommand(Host(), User(), Password(), kNewDatabase, command); });
    EXPECT_EQ(error.Number(), ErrorCode::kRunSQLCommand);
    EXPECT_EQ(error.Source(), "RunSQLCommand");
    EXPECT_EQ(error.Description(), "Unable to run the command!: " + command);
    EXPECT_EQ(LogBytes(),
              "-2147221502 RunSQLCommand\r\nUnable to run the command!: " + command + "\r\n\r\n\r\n");
}

TEST_F(SqlServerTest, RunSQLCommandSeesAFailureInALaterStatementOfTheBatch) {
    const std::string command = "SELECT 1; SELECT 2; SELECT * FROM dbo.NOSUCHTABLE";
    const MigrationError error =
        RaisedBy([&] { RunSQLCommand(Host(), User(), Password(), kNewDatabase, command); });
    EXPECT_EQ(error.Description(), "Unable to run the command!: " + command);
}

TEST_F(SqlServerTest, GetValueFromDatabaseReadsTheParameter) {
    EXPECT_EQ(Parameter("AttachmentsVirtualPath"), "D:\\E-Synvora\\Attachments");
    EXPECT_EQ(Parameter("EmptyParameter"), "");
    EXPECT_FALSE(LogExists());
}

TEST_F(SqlServerTest, GetValueFromDatabaseKeepsNonAsciiValuesIntact) {
    EXPECT_EQ(Parameter("ExcelTempFolder"), "C:\\Caf\u00E9 \u20AC\\Temp");
    const std::string value = "Gr\u00F6\u00DFe \u20AC \U0001F600";
    ASSERT_EQ(RunSQLCommand(Host(), User(), Password(), kOldDatabase,
                            "INSERT INTO dbo.SYNVORAPARAMETER VALUES ('Written', '" + value + "')"),
              0);
    EXPECT_EQ(Parameter("Written"), value);
}

TEST_F(SqlServerTest, GetValueFromDatabaseReadsALongValueCompletely) {
    EXPECT_EQ(Parameter("LongParameter"), Repeat(kLongPiece, 20000));
}

TEST_F(SqlServerTest, GetValueFromDatabaseAnswersEmptyWhenNoRowMatches) {
    EXPECT_EQ(Parameter("NoSuchParameter"), "");
    EXPECT_FALSE(LogExists());
}

TEST_F(SqlServerTest, GetValueFromDatabaseTakesTheFirstRowTheServerReturns) {
    EXPECT_EQ(Parameter("Duplicate", "ORDEREDPARAMETER"), "zeta");
}

TEST_F(SqlServerTest, GetValueFromDatabaseTreatsANullValueAsAFailure) {
    const MigrationError error = RaisedBy([&] { Parameter("NullParameter"); });
    const std::string message =
        "Could not retrieve value form database!UserName= sa, Password= ********, Database= oldsynvora, "
        "Value= PARAMVALUE, Parameter= NullParameter, Table= SYNVORAPARAMETER, Column= PARAMNAME";
    EXPECT_EQ(error.Number(), ErrorCode::kGetValueFromDatabase);
    EXPECT_EQ(error.Source(), "GetValueFromDatabase");
    EXPECT_EQ(error.Description(), message);
    EXPECT_EQ(LogBytes(), "-2147221501 GetValueFromDatabase\r\n" + message + "\r\n\r\n\r\n");
}

TEST_F(SqlServerTest, GetValueFromDatabaseWithAQuoteInTheParameterFailsAndLogsIt) {
    // The log is written in the single-byte code page.
    const MigrationError error = RaisedBy([&] { Parameter("Gr\u00F6\u00DFe'x"); });
    EXPECT_EQ(error.Number(), ErrorCode::kGetValueFromDatabase);
    EXPECT_EQ(
        LogBytes(),
        "-2147221501 GetValueFromDatabase\r\n"
        "Could not retrieve value form database!UserName= sa, Password= ********, Database= oldsynvora, "
        "Value= PARAMVALUE, Parameter= Gr\xF6\xDF"
        "e'x, Table= SYNVORAPARAMETER, Column= PARAMNAME\r\n\r\n\r\n");
}

TEST_F(SqlServerTest, GetValueFromDatabaseFailsForAMissingTableOrColumnOrAWrongLogin) {
    RaisedBy([&] { Parameter("AttachmentsVirtualPath", "NOSUCHTABLE"); });
    RaisedBy([&] {
        GetValueFromDatabase(Host(), User(), Password(), kOldDatabase, "NOSUCHCOLUMN",
                             "AttachmentsVirtualPath", "SYNVORAPARAMETER", "PARAMNAME");
    });
    const MigrationError error = RaisedBy([&] {
        GetValueFromDatabase(Host(), User(), "", kOldDatabase, "PARAMVALUE", "AttachmentsVirtualPath",
                             "SYNVORAPARAMETER", "PARAMNAME");
    });
    EXPECT_EQ(
        error.Description(),
        "Could not retrieve value form database!UserName= sa, Password= , Database= oldsynvora, "
        "Value= PARAMVALUE, Parameter= AttachmentsVirtualPath, Table= SYNVORAPARAMETER, Column= PARAMNAME");
    // One entry per failure, three in all.
    const std::string log = LogBytes();
    std::size_t entries = 0;
    for (std::size_t at = log.find("-2147221501 GetValueFromDatabase\r\n"); at != std::string::npos;
         at = log.find("-2147221501 GetValueFromDatabase\r\n", at + 1)) {
        ++entries;
    }
    EXPECT_EQ(entries, 3u);
}

}  // namespace
}  // namespace synvora
