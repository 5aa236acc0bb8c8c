#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/TempDir.h"

namespace synvora::test {

/// The ODBC driver registered as "SQL Server" for the tests: the PostgreSQL driver straight to the
/// server, or FreeTDS, the production driver, through the TDS test server in front of it. The
/// environment variable SYNVORA_TEST_DRIVER chooses ("postgres", the default, or "freetds"), so
/// that one test program runs its scenarios through either.
enum class TestDriver { kPostgres, kFreeTds };

/// The driver of this test run; raises std::runtime_error for an unknown name.
TestDriver CurrentTestDriver();

/// The name under which the PostgreSQL driver is registered besides "SQL Server", whatever the test
/// driver: the fixture's own SQL reaches PostgreSQL through it where psql cannot run (Windows).
inline constexpr const char* kFixtureDriver = "Synvora Test PostgreSQL";

/// A login of the test server.
struct PostgresLogin {
    std::string user;
    std::string password;
};

/// A private PostgreSQL 15 server for the tests: its own cluster in a temporary folder, listening
/// on 127.0.0.1 at a free port and on a socket folder of its own, password (SCRAM) authentication
/// for every connection. The test driver is registered under the name "SQL Server" in a private
/// ODBC configuration, so that the program's own connection strings reach this server unchanged
/// ("server=127.0.0.1", the port comes from PGPORT, or for FreeTDS from TDSPORT, which names the
/// TDS test server that this fixture then starts as well).
///
/// When the tests run as root, the server programs run as the "postgres" user. The server is
/// stopped and its folder removed by Stop, by the destructor, and, should the test process die
/// without either (a crash, a sanitizer abort, a kill), by a watchdog process that notices it.
///
/// A Windows test program (under Wine) cannot start the servers: test_servers, a program of this
/// machine, starts them and runs it with their environment. There Start takes the running server
/// from that environment, Stop leaves it to test_servers, and RunSql goes through ODBC
/// (kFixtureDriver, as the login "sa"); the folders and ExportEnvironment are Linux only.
class PostgresServer {
public:
    PostgresServer();
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;
    ~PostgresServer();

    /// Creates the cluster, starts the server, creates the "sa" login and exports the environment
    /// (see ExportEnvironment). Raises std::runtime_error with the server's output on failure.
    void Start();
    /// Stops the server at once and removes its folder; never throws.
    void Stop() noexcept;
    bool IsRunning() const noexcept { return m_running; }

    const std::string& Host() const noexcept { return m_host; }
    int Port() const noexcept { return m_port; }
    /// The environment variable that gives the driver its port: PGPORT or TDSPORT; and that port.
    std::string DriverPortVariable() const;
    int DriverPort() const noexcept { return m_driver == TestDriver::kFreeTds ? m_tdsPort : m_port; }
    std::string SocketDirectory() const;
    /// The folder named by ODBCSYSINI and the odbcinst.ini in it.
    std::string OdbcSysIniDirectory() const;
    std::string OdbcInstIniPath() const;
    /// A superuser login with CREATEDB rights, reachable over ODBC.
    PostgresLogin Admin() const;

    /// Sets, in this process's environment (so that children inherit them): ODBCSYSINI and
    /// ODBCINI for the private ODBC configuration, PGPORT for the driver, PGPASSFILE pointing at
    /// nothing, and clears the libpq variables that could send a connection elsewhere. For
    /// FreeTDS also TDSPORT and a private freetds.conf (FREETDSCONF); TDSVER is cleared, so that
    /// the program's own default applies. A test
    /// program must call it (Start does) before its first ODBC call: the driver manager reads its
    /// configuration once per process.
    void ExportEnvironment() const;

    /// Runs SQL as the cluster's superuser through psql, in one session; returns psql's unaligned
    /// output without headings (each row's values joined by "|", NULL empty, a line per row).
    /// Raises std::runtime_error with that output when a statement fails.
    std::string RunSql(const std::string& database, const std::string& sql) const;
    /// Creates a UTF-8 database owned by "sa". Use lower-case names: unquoted names in queries
    /// fold to lower case.
    void CreateDatabase(const std::string& name) const;
    /// Creates a database with the product's parameter table: schema dbo and
    /// dbo.SYNVORAPARAMETER (PARAMNAME, PARAMVALUE).
    void CreateParameterDatabase(const std::string& name) const;
    /// Creates a login role with a password (scram-sha-256), allowed to connect everywhere.
    void CreateLogin(const std::string& user, const std::string& password) const;

    /// A SQL string literal: single quotes doubled.
    static std::string Literal(const std::string& text);
    /// A SQL identifier in double quotes, quotes inside doubled.
    static std::string Identifier(const std::string& name);

private:
    // The programs beside the server (Linux).
    struct ServerProcesses;

    // The steps of the Linux server (posix/PostgresServer.cpp).
    std::vector<std::string> AsServerUser(std::vector<std::string> argv) const;
    void RunChecked(const std::vector<std::string>& argv,
                    const std::vector<std::string>& environment = {}) const;
    void GiveFolderToServerUser() const;
    void InitializeCluster();
    void WriteConfiguration() const;
    void WriteOdbcConfiguration() const;
    void StartServerOnFreePort();
    void StartTdsServer();
    std::string FreeTdsConfigurationPath() const;
    void StartWatchdog();
    void StopWatchdog() noexcept;

    std::unique_ptr<TempDir> m_root;
    std::string m_host = "127.0.0.1";
    int m_port = 0;
    TestDriver m_driver = TestDriver::kPostgres;
    int m_tdsPort = 0;
    bool m_running = false;
    std::string m_superuserPassword;
    std::unique_ptr<ServerProcesses> m_processes;
};

/// The one server of a test program, created on first use and stopped at exit at the latest.
PostgresServer& SharedPostgresServer();

/// Starts the shared server before the first test of the program and stops it after the last.
/// A server that cannot start fails the program's tests with the reason.
class PostgresEnvironment : public ::testing::Environment {
public:
    void SetUp() override;
    void TearDown() override;
};

}  // namespace synvora::test
