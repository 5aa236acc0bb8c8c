// The PostgreSQL test server as a Windows test program under Wine sees it: test_servers (a program
// of this machine) started it, and for FreeTDS the TDS test server, and runs the test program with
// their environment, which Wine passes on, as it passes ODBC calls on to this machine's unixODBC.

#include <stdexcept>

#include "database/odbc/Connection.h"
#include "database/odbc/Statement.h"
#include "support/PostgresFixture.h"

namespace synvora::test {
namespace {

int PortIn(const std::string& variable) {
    const std::optional<std::string> value = EnvironmentValue(variable);
    if (!value || value->empty()) {
        throw std::runtime_error(variable + " is not set: run the Windows test program through test_servers");
    }
    return std::stoi(*value);
}

}  // namespace

// No program of the servers runs in this process.
struct PostgresServer::ServerProcesses {};

PostgresServer::PostgresServer() = default;

PostgresServer::~PostgresServer() {
    Stop();
}

void PostgresServer::Start() {
    if (m_running) {
        return;
    }
    m_driver = CurrentTestDriver();
    m_port = PortIn("PGPORT");
    m_tdsPort = m_driver == TestDriver::kFreeTds ? PortIn("TDSPORT") : 0;
    m_running = true;
}

void PostgresServer::Stop() noexcept {
    // test_servers stops the servers after the program.
    m_running = false;
}

std::string PostgresServer::RunSql(const std::string& database, const std::string& sql) const {
    // Straight to PostgreSQL through its own driver, whichever driver the test runs through; the
    // port is the one of the start, whatever a test has set for its driver meanwhile.
    const std::string connectionString = std::string("DRIVER={") + kFixtureDriver + "};SERVER=" + m_host +
                                         ";PORT=" + std::to_string(m_port) + ";UID=" + Admin().user +
                                         ";PWD=" + Admin().password + ";DATABASE=" + database;
    std::string output;
    try {
        odbc::Connection connection(connectionString, odbc::Timeouts{15, 0});
        odbc::Statement statement(connection);
        statement.Execute(sql);
        do {
            if (statement.ColumnCount() == 0) {
                continue;
            }
            while (statement.Fetch()) {
                const std::vector<std::optional<std::string>> row = statement.RowValues();
                for (std::size_t column = 0; column < row.size(); ++column) {
                    output += (column == 0 ? "" : "|") + row[column].value_or("");
                }
                output += "\n";
            }
        } while (statement.NextResult());
    } catch (const odbc::OdbcError& error) {
        throw std::runtime_error("SQL failed in " + database + ": " + error.Description());
    }
    return output;
}

}  // namespace synvora::test
