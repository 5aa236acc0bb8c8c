#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "database/SqlServer.h"
#include "database/odbc/Connection.h"
#include "database/odbc/Statement.h"
#include "support/DriverTexts.h"
#include "support/Loopback.h"
#include "support/PostgresFixture.h"

namespace synvora::odbc {
namespace {

using test::SharedPostgresServer;

std::string AdminConnectionString(const std::string& password) {
    const test::PostgresServer& server = SharedPostgresServer();
    return BuildConnectionString(server.Host(), server.Admin().user, password, "postgres");
}

std::string AdminConnectionString() {
    return AdminConnectionString(SharedPostgresServer().Admin().password);
}

std::vector<std::string> TextsOf(const std::vector<Diagnostic>& records) {
    std::vector<std::string> texts;
    for (const Diagnostic& record : records) {
        texts.push_back(record.Text());
    }
    return texts;
}

using Row = std::vector<std::optional<std::string>>;

TEST(ConnectionTest, AFailedLoginCarriesTheDriversDiagnostics) {
    try {
        Connection connection(AdminConnectionString("wrong"));
        FAIL() << "connected with a wrong password";
    } catch (const OdbcError& error) {
        EXPECT_EQ(error.Source(), "SQLDriverConnectW");
        EXPECT_FALSE(error.SqlState().empty());
        ASSERT_FALSE(error.Records().empty());
        EXPECT_NE(error.Records().front().message.find(test::LoginFailedText("sa")), std::string::npos)
            << error.Description();
    }
}

TEST(ConnectionTest, CloseDisconnectsOnceAndTheDestructorCopesWithEitherState) {
    Connection closed(AdminConnectionString());
    EXPECT_TRUE(closed.IsOpen());
    closed.Close();
    EXPECT_FALSE(closed.IsOpen());
    closed.Close();
    Connection left(AdminConnectionString());
    Connection moved(std::move(left));
    EXPECT_TRUE(moved.IsOpen());
}

TEST(ConnectionTest, TheLoginTimeOutEndsAWaitForAServerThatNeverAnswers) {
    // On another loopback address at the driver's own port, so that the server's name alone leads
    // there: under Wine a change of the environment never reaches the driver in the same process.
    const test::PostgresServer& server = SharedPostgresServer();
    test::SilentServer listener("127.0.0.3", server.DriverPort());
    EXPECT_THROW(Connection(BuildConnectionString("127.0.0.3", server.Admin().user, server.Admin().password,
                                                  "postgres"),
                            Timeouts{1, 30}),
                 OdbcError);
    EXPECT_GE(listener.Connections(), 1) << "the driver never reached the silent server";
}

TEST(StatementTest, WalksSeveralResultSetsWithColumnNamesAndNulls) {
    Connection connection(AdminConnectionString());
    Statement statement(connection);
    statement.Execute(
        "SELECT 1 AS one, 'x' AS \"Gr\u00F6\u00DFe\"; SELECT NULL::text AS nothing, '' AS empty");
    EXPECT_EQ(statement.ColumnNames(), (std::vector<std::string>{"one", "Gr\u00F6\u00DFe"}));
    ASSERT_TRUE(statement.Fetch());
    EXPECT_EQ(statement.RowValues(), (Row{"1", "x"}));
    EXPECT_FALSE(statement.Fetch());
    ASSERT_TRUE(statement.NextResult());
    EXPECT_EQ(statement.ColumnNames(), (std::vector<std::string>{"nothing", "empty"}));
    ASSERT_TRUE(statement.Fetch());
    EXPECT_EQ(statement.RowValues(), (Row{std::nullopt, ""}));
    EXPECT_FALSE(statement.NextResult());
}

TEST(StatementTest, ReportsAffectedRowsOfStatementsWithoutRows) {
    Connection connection(AdminConnectionString());
    Statement statement(connection);
    statement.Execute(
        "CREATE TEMP TABLE counted (a int); INSERT INTO counted VALUES (1), (2), (3); "
        "UPDATE counted SET a = a + 1 WHERE a > 1");
    std::vector<std::int64_t> counts;
    do {
        EXPECT_EQ(statement.ColumnCount(), 0u);
        counts.push_back(statement.AffectedRows());
    } while (statement.NextResult());
    // A statement that counts no rows (CREATE) is a result of its own with the PostgreSQL
    // driver; FreeTDS, as SQL Server's drivers do, passes over it.
    ASSERT_EQ(counts.size(), test::CurrentTestDriver() == test::TestDriver::kFreeTds ? 2u : 3u);
    EXPECT_EQ(counts[counts.size() - 2], 3);
    EXPECT_EQ(counts.back(), 2);
}

TEST(StatementTest, CollectsServerMessagesInTheOrderTheyArrive) {
    Connection connection(AdminConnectionString());
    Statement statement(connection);
    statement.Execute("DO $$BEGIN RAISE NOTICE 'first notice'; RAISE NOTICE 'second \u20AC'; END$$");
    statement.Drain();
    // The PostgreSQL driver joins the notices of one call into one record; the order must hold.
    std::string all;
    for (const std::string& text : TextsOf(statement.TakeMessages())) {
        all += text + "\n";
    }
    const std::size_t first = all.find("first notice");
    const std::size_t second = all.find("second \u20AC");
    ASSERT_NE(first, std::string::npos) << all;
    ASSERT_NE(second, std::string::npos) << all;
    EXPECT_LT(first, second) << all;
    EXPECT_TRUE(statement.TakeMessages().empty());
}

TEST(StatementTest, AStatementTheServerRejectsRaisesItsSqlState) {
    Connection connection(AdminConnectionString());
    Statement statement(connection);
    try {
        statement.Execute("SELECT * FROM no_such_table");
        statement.Drain();
        FAIL() << "the query ran";
    } catch (const OdbcError& error) {
        // FreeTDS derives the state from SQL Server's number for a missing object.
        EXPECT_EQ(error.SqlState(),
                  test::CurrentTestDriver() == test::TestDriver::kFreeTds ? "42S02" : "42P01");
        EXPECT_NE(error.Description().find("no_such_table"), std::string::npos) << error.Description();
    }
}

TEST(StatementTest, AFailureLaterInABatchIsRaisedWhileDraining) {
    Connection connection(AdminConnectionString());
    Statement statement(connection);
    EXPECT_THROW(
        {
            statement.Execute("SELECT 1; SELECT 1 / 0");
            statement.Drain();
        },
        OdbcError);
}

TEST(StatementTest, ValuesLongerThanOneReadArriveWholeAcrossPieceBoundaries) {
    Connection connection(AdminConnectionString());
    Statement statement(connection);
    // Lengths around the size of one read, with surrogate pairs that straddle the boundaries.
    statement.Execute(
        "SELECT repeat('x', 4095), repeat('y', 4096), repeat('z', 4097), 'a' || repeat(U&'\\+01F600', 9000)");
    ASSERT_TRUE(statement.Fetch());
    const Row row = statement.RowValues();
    std::string emoji = "a";
    for (int i = 0; i < 9000; ++i) {
        emoji += "\U0001F600";
    }
    EXPECT_EQ(row.at(0), std::string(4095, 'x'));
    EXPECT_EQ(row.at(1), std::string(4096, 'y'));
    EXPECT_EQ(row.at(2), std::string(4097, 'z'));
    EXPECT_EQ(row.at(3), emoji);
}

TEST(StatementTest, TheCommandTimeOutStopsALongStatementAndTheConnectionGoesOn) {
    Connection connection(AdminConnectionString(), Timeouts{15, 1});
    Statement statement(connection);
    EXPECT_THROW(
        {
            statement.Execute("SELECT pg_sleep(20)");
            statement.Drain();
        },
        OdbcError);
    // The server acknowledged the cancel, so the connection is in step for the next statement.
    statement.Execute("SELECT 'after' AS a");
    ASSERT_TRUE(statement.Fetch());
    EXPECT_EQ(statement.RowValues(), (Row{"after"}));
}

}  // namespace
}  // namespace synvora::odbc
