#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "database/SqlServer.h"
#include "database/odbc/Connection.h"
#include "database/odbc/Statement.h"
#include "support/PostgresFixture.h"

namespace synvora::odbc {
namespace {

using test::SharedPostgresServer;

std::string ConnectionString(const std::string& password) {
    const test::PostgresServer& server = SharedPostgresServer();
    return BuildConnectionString(server.Host(), server.Admin().user, password, "postgres");
}

void ExpectNoServerDetails(const std::vector<Diagnostic>& records) {
    ASSERT_FALSE(records.empty());
    for (const Diagnostic& record : records) {
        EXPECT_FALSE(record.severity.has_value()) << record.message << ": " << *record.severity;
        EXPECT_FALSE(record.serverState.has_value()) << record.message << ": " << *record.serverState;
        EXPECT_FALSE(record.line.has_value()) << record.message << ": " << *record.line;
    }
}

// The SQL Server fields are read from every record. The PostgreSQL driver tells none of them: it
// answers success on a connection handle without writing anything, which must not turn into a
// severity of 0 (a failure that looks like a mere message) or a state or line of 0. FreeTDS
// tells the severity of an error and the line of every server message, never the state.
TEST(DiagnosticFieldsTest, TheServerDetailsAreTakenAsTheDriverTellsThem) {
    const bool freeTds = test::CurrentTestDriver() == test::TestDriver::kFreeTds;
    try {
        Connection connection(ConnectionString("wrong"));
        FAIL() << "connected with a wrong password";
    } catch (const OdbcError& error) {
        ExpectNoServerDetails(error.Records());
    }

    Connection connection(ConnectionString(SharedPostgresServer().Admin().password));
    Statement statement(connection);
    statement.Execute("SELECT 1;\nDO $$BEGIN RAISE NOTICE 'told'; END$$");
    statement.Drain();
    const std::vector<Diagnostic> messages = statement.TakeMessages();
    if (freeTds) {
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].severity, std::nullopt);
        EXPECT_EQ(messages[0].serverState, std::nullopt);
        EXPECT_EQ(messages[0].line, 2);
    } else {
        ExpectNoServerDetails(messages);
    }
    try {
        statement.Execute("SELECT 1;\n\nSELECT 1/0");
        statement.Drain();
        FAIL() << "the division ran";
    } catch (const OdbcError& error) {
        if (freeTds) {
            ASSERT_EQ(error.Records().size(), 1u);
            EXPECT_EQ(error.Records()[0].severity, 16);
            EXPECT_EQ(error.Records()[0].serverState, std::nullopt);
            EXPECT_EQ(error.Records()[0].line, 3);
        } else {
            ExpectNoServerDetails(error.Records());
        }
    }
}

}  // namespace
}  // namespace synvora::odbc
