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

// The SQL Server fields are read from every record. The PostgreSQL driver answers them with
// success on a connection handle without writing anything; that must not turn into a severity
// of 0 (which would make the failure look like a mere message) or a state or line of 0.
TEST(DiagnosticFieldsTest, ADriverThatDoesNotTellLeavesThemEmpty) {
    try {
        Connection connection(ConnectionString("wrong"));
        FAIL() << "connected with a wrong password";
    } catch (const OdbcError& error) {
        ExpectNoServerDetails(error.Records());
    }

    Connection connection(ConnectionString(SharedPostgresServer().Admin().password));
    Statement statement(connection);
    statement.Execute("DO $$BEGIN RAISE NOTICE 'told'; END$$");
    statement.Drain();
    ExpectNoServerDetails(statement.TakeMessages());
    try {
        statement.Execute("SELECT 1/0");
        FAIL() << "the division ran";
    } catch (const OdbcError& error) {
        ExpectNoServerDetails(error.Records());
    }
}

}  // namespace
}  // namespace synvora::odbc
