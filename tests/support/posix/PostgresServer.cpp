// The PostgreSQL test server on Linux: a cluster of its own, started with pg_ctl, reached by psql
// for the tests' own SQL.

#include <fcntl.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string_view>

#include "files/posix/UniqueFd.h"
#include "support/ChildProcess.h"
#include "support/Loopback.h"
#include "support/PostgresFixture.h"
#include "support/WebContent.h"
#include "support/posix/LoopbackSocket.h"

namespace synvora::test {
namespace {

const std::string kBinDirectory = "/usr/lib/postgresql/15/bin";
const std::string kOdbcDriver = "/usr/lib/x86_64-linux-gnu/odbc/psqlodbcw.so";
const std::string kTdsOdbcDriver = "/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so";
// The name in the TDS test server's messages (FreeTDS does not pass it on to the program).
const std::string kTdsServerName = "SYNVORATEST";
const std::string kServerUser = "postgres";
const std::string kSuperuser = "postgres";
constexpr int kStartAttempts = 5;

void AppendToFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out << text;
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

void ChangeOwnerRecursively(const std::string& path, uid_t uid, gid_t gid) {
    if (::lchown(path.c_str(), uid, gid) != 0) {
        throw std::runtime_error("cannot hand " + path + " to the server user");
    }
    if (std::filesystem::is_directory(std::filesystem::symlink_status(path))) {
        for (const auto& entry : std::filesystem::directory_iterator(path)) {
            ChangeOwnerRecursively(entry.path().string(), uid, gid);
        }
    }
}

}  // namespace

/// The programs that run beside the server: the TDS test server, and the watchdog with the pipe
/// whose end tells it that this process is gone.
struct PostgresServer::ServerProcesses {
    std::optional<ChildProcess> tdsServer;
    UniqueFd watchdogPipe;
    std::optional<ChildProcess> watchdog;
};

PostgresServer::PostgresServer() = default;

PostgresServer::~PostgresServer() {
    Stop();
}

std::string PostgresServer::SocketDirectory() const {
    return *m_root / "socket";
}

std::string PostgresServer::OdbcSysIniDirectory() const {
    return *m_root / "odbc";
}

std::string PostgresServer::OdbcInstIniPath() const {
    return OdbcSysIniDirectory() + "/odbcinst.ini";
}

std::string PostgresServer::FreeTdsConfigurationPath() const {
    return OdbcSysIniDirectory() + "/freetds.conf";
}

void PostgresServer::Start() {
    if (m_running) {
        return;
    }
    try {
        m_driver = CurrentTestDriver();
        m_processes = std::make_unique<ServerProcesses>();
        m_root = std::make_unique<TempDir>("synvora-pg");
        m_superuserPassword = RandomHex(24);
        std::filesystem::create_directory(SocketDirectory());
        WriteBytes(*m_root / "superuser.pw", m_superuserPassword + "\n");
        GiveFolderToServerUser();
        StartWatchdog();
        InitializeCluster();
        WriteConfiguration();
        StartServerOnFreePort();
        RunSql("postgres", "CREATE ROLE " + Admin().user + " LOGIN SUPERUSER CREATEDB PASSWORD " +
                               Literal(Admin().password) + ";");
        if (m_driver == TestDriver::kFreeTds) {
            StartTdsServer();
        }
        WriteOdbcConfiguration();
        ExportEnvironment();
    } catch (...) {
        Stop();
        throw;
    }
}

void PostgresServer::Stop() noexcept {
    if (m_processes && m_processes->tdsServer) {
        m_processes->tdsServer.reset();
        // What the TDS server noted (refused logins, broken requests) helps to read a failure.
        const std::string log = ReadBytes(*m_root / "tds-server.log");
        if (!log.empty()) {
            std::fprintf(stderr, "TDS test server log:\n%s", log.c_str());
        }
    }
    try {
        if (m_running) {
            m_running = false;
            RunProcess(
                AsServerUser({kBinDirectory + "/pg_ctl", "stop", "-D", *m_root / "data", "-m", "immediate"}),
                SpawnOptions{-1, *m_root / "stop.out", {}, false});
        }
    } catch (...) {
        // The watchdog below still stops a server that pg_ctl could not.
    }
    m_root.reset();
    StopWatchdog();
}

void PostgresServer::ExportEnvironment() const {
    ::setenv("ODBCSYSINI", OdbcSysIniDirectory().c_str(), 1);
    ::setenv("ODBCINI", (OdbcSysIniDirectory() + "/odbc.ini").c_str(), 1);
    ::unsetenv("ODBCINSTINI");
    ::setenv("PGPORT", std::to_string(m_port).c_str(), 1);
    // An empty password in a connection string must fail as it would against a real server,
    // never be filled in from a password file or variable of the machine.
    ::setenv("PGPASSFILE", (*m_root / "no-password-file").c_str(), 1);
    for (const char* name : {"PGHOST", "PGHOSTADDR", "PGSERVICE", "PGSERVICEFILE", "PGPASSWORD", "PGUSER",
                             "PGDATABASE", "PGOPTIONS", "PGSSLMODE", "PGREQUIRESSL"}) {
        ::unsetenv(name);
    }
    if (m_driver == TestDriver::kFreeTds) {
        ::setenv("TDSPORT", std::to_string(m_tdsPort).c_str(), 1);
        ::setenv("FREETDSCONF", FreeTdsConfigurationPath().c_str(), 1);
        for (const char* name : {"TDSVER", "TDSHOST", "FREETDS"}) {
            ::unsetenv(name);
        }
    }
}

std::string PostgresServer::RunSql(const std::string& database, const std::string& sql) const {
    const std::string input = *m_root / "input.sql";
    const std::string output = *m_root / "psql.out";
    WriteBytes(input, sql);
    const int exitCode = RunProcess(
        {kBinDirectory + "/psql", "-X", "-q", "-A", "-t", "-v", "ON_ERROR_STOP=1", "-h", SocketDirectory(),
         "-p", std::to_string(m_port), "-U", kSuperuser, "-d", database, "-f", input},
        SpawnOptions{-1, output, {"PGPASSWORD=" + m_superuserPassword}, false});
    std::string result = ReadBytes(output);
    if (exitCode != 0) {
        throw std::runtime_error("psql failed in " + database + " (" + std::to_string(exitCode) +
                                 "): " + result);
    }
    return result;
}

std::vector<std::string> PostgresServer::AsServerUser(std::vector<std::string> argv) const {
    // PostgreSQL refuses to run as root.
    if (RunningAsRoot()) {
        argv.insert(argv.begin(), {"runuser", "-u", kServerUser, "--"});
    }
    return argv;
}

void PostgresServer::RunChecked(const std::vector<std::string>& argv,
                                const std::vector<std::string>& environment) const {
    const std::string output = *m_root / "command.out";
    const int exitCode = RunProcess(argv, SpawnOptions{-1, output, environment, false});
    if (exitCode != 0) {
        throw std::runtime_error(argv.front() + " " + argv.at(1 < argv.size() ? 1 : 0) + " failed (" +
                                 std::to_string(exitCode) + "): " + ReadBytes(output));
    }
}

void PostgresServer::GiveFolderToServerUser() const {
    if (!RunningAsRoot()) {
        return;
    }
    const passwd* user = ::getpwnam(kServerUser.c_str());
    if (user == nullptr) {
        throw std::runtime_error("there is no user '" + kServerUser + "' to run PostgreSQL as");
    }
    ChangeOwnerRecursively(m_root->Path(), user->pw_uid, user->pw_gid);
}

void PostgresServer::InitializeCluster() {
    RunChecked(AsServerUser({kBinDirectory + "/initdb", "-D", *m_root / "data", "-U", kSuperuser,
                             "--pwfile=" + (*m_root / "superuser.pw"), "-A", "scram-sha-256", "-E", "UTF8",
                             "--locale=C", "--no-sync", "--no-instructions"}));
}

void PostgresServer::WriteConfiguration() const {
    const std::string data = *m_root / "data";
    // Passwords are checked on every path, so that a wrong one really fails.
    WriteBytes(data + "/pg_hba.conf",
               "local all all scram-sha-256\n"
               "host  all all 127.0.0.1/32 scram-sha-256\n");
    // Durability is of no use for a throw-away cluster; speed is.
    AppendToFile(data + "/postgresql.conf",
                 "\n# Test server\n"
                 "listen_addresses = '127.0.0.1'\n"
                 "unix_socket_directories = '" +
                     SocketDirectory() +
                     "'\n"
                     "fsync = off\n"
                     "synchronous_commit = off\n"
                     "full_page_writes = off\n"
                     "max_connections = 40\n"
                     "shared_buffers = 16MB\n");
}

void PostgresServer::WriteOdbcConfiguration() const {
    const bool freeTds = m_driver == TestDriver::kFreeTds;
    const std::string& driver = freeTds ? kTdsOdbcDriver : kOdbcDriver;
    if (!std::filesystem::exists(driver)) {
        throw std::runtime_error("the ODBC driver is missing: " + driver);
    }
    std::filesystem::create_directories(OdbcSysIniDirectory());
    WriteBytes(OdbcInstIniPath(),
               "[ODBC]\n"
               "Trace = No\n"
               "Pooling = No\n"
               "\n"
               "[SQL Server]\n"
               "Description = " +
                   std::string(freeTds ? "FreeTDS, through the TDS test server"
                                       : "PostgreSQL standing in for the SQL Server driver") +
                   "\nDriver = " + driver +
                   "\n"
                   "\n[" +
                   kFixtureDriver +
                   "]\n"
                   "Description = PostgreSQL, for the fixture's own SQL (a Windows test's RunSql)\n"
                   "Driver = " +
                   kOdbcDriver + "\n");
    WriteBytes(OdbcSysIniDirectory() + "/odbc.ini", "");
    if (freeTds) {
        // The machine's own freetds.conf stays out of the tests.
        WriteBytes(FreeTdsConfigurationPath(), "[global]\n");
    }
}

void PostgresServer::StartServerOnFreePort() {
    std::string lastFailure;
    for (int attempt = 0; attempt < kStartAttempts; ++attempt) {
        m_port = FreeLoopbackPort();
        try {
            // PGPORT in the server's own environment is the default port of connections that the
            // server opens itself (dblink), so that they reach this server and no other.
            RunChecked(
                AsServerUser({kBinDirectory + "/pg_ctl", "start", "-w", "-t", "60", "-D", *m_root / "data",
                              "-l", *m_root / "server.log", "-o", "-p " + std::to_string(m_port)}),
                {"PGPORT=" + std::to_string(m_port)});
            m_running = true;
            return;
        } catch (const std::exception& failure) {
            lastFailure = std::string(failure.what()) + "\n" + ReadBytes(*m_root / "server.log");
        }
    }
    throw std::runtime_error("PostgreSQL did not start: " + lastFailure);
}

void PostgresServer::StartTdsServer() {
    UniqueFd listener = BoundLoopbackSocket(m_tdsPort);
    if (::listen(listener.Get(), 64) != 0) {
        throw std::runtime_error("cannot listen for the TDS test server");
    }
    // The listening socket is the server's standard input: connections wait in its queue until
    // the server takes them, so it is ready as soon as it is started.
    m_processes->tdsServer.emplace(
        std::vector<std::string>{SYNVORA_TDS_SERVER, "--name", kTdsServerName, "--postgres-host", m_host,
                                 "--postgres-port", std::to_string(m_port)},
        SpawnOptions{listener.Get(), *m_root / "tds-server.log", {}, true});
}

void PostgresServer::StartWatchdog() {
    int fds[2] = {-1, -1};
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        throw std::runtime_error("cannot create the watchdog's pipe");
    }
    UniqueFd readEnd(fds[0]);
    m_processes->watchdogPipe.Reset(fds[1]);
    // The watchdog waits for the end of its input, which comes when this process closes the pipe
    // or dies; it then stops a server that is still running and removes the folder. The write
    // end is close-on-exec, so no other child (the server included) keeps it open.
    const std::string script =
        "root=$1; data=$2; shift 2; cat >/dev/null; "
        "if [ -f \"$data/postmaster.pid\" ]; then \"$@\" stop -D \"$data\" -m immediate; fi; "
        "rm -rf \"$root\"";
    std::vector<std::string> argv = {"/bin/sh",       "-c", script, "synvora-pg-watchdog", m_root->Path(),
                                     *m_root / "data"};
    for (const std::string& word : AsServerUser({kBinDirectory + "/pg_ctl"})) {
        argv.push_back(word);
    }
    m_processes->watchdog.emplace(argv, SpawnOptions{readEnd.Get(), "", {}, true});
}

void PostgresServer::StopWatchdog() noexcept {
    if (!m_processes) {
        return;
    }
    m_processes->watchdogPipe.Reset();
    if (m_processes->watchdog) {
        try {
            m_processes->watchdog->Wait();
        } catch (...) {
            // Already reaped; nothing is left to wait for.
        }
        m_processes->watchdog.reset();
    }
}

}  // namespace synvora::test
