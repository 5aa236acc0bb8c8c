#include "SambaFixture.h"

#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "support/Loopback.h"

namespace synvora::test {
namespace {

using namespace std::chrono_literals;

const std::string kShareName = "D$";
const std::string kLoginName = "webadmin";
constexpr int kStartAttempts = 5;
constexpr auto kStartTimeout = 30s;
constexpr auto kStopTimeout = 10s;
constexpr auto kPollInterval = 20ms;

// Every directory the server would otherwise take from the machine's own Samba.
const std::vector<std::string> kServerFolders = {"share",     "public",     "lock",    "state", "cache",
                                                 "private",   "pid",        "ncalrpc", "log",   "bind-dns",
                                                 "ntp_signd", "usershares", "winbindd"};

// Every directory lies below the server's folder (@ROOT@). A wrong password logs on as the
// guest account, which the share "public" lets in: as permissive as a server gets, so that the
// program's refusal of such sessions is seen. The read-only attribute is the owner's missing write
// bit, as on the local disk; nothing is kept in extended attributes.
constexpr const char* kConfiguration = R"([global]
    @RPC@
    server role = standalone server
    workgroup = SYNVORA
    netbios name = SYNVORAOLDWEB
    security = user
    map to guest = bad password
    guest account = nobody
    username map = @ROOT@/users.map
    passdb backend = tdbsam:@ROOT@/private/passdb.tdb
    smb passwd file = @ROOT@/private/smbpasswd
    private dir = @ROOT@/private
    lock directory = @ROOT@/lock
    state directory = @ROOT@/state
    cache directory = @ROOT@/cache
    pid directory = @ROOT@/pid
    ncalrpc dir = @ROOT@/ncalrpc
    binddns dir = @ROOT@/bind-dns
    ntp signd socket directory = @ROOT@/ntp_signd
    usershare path = @ROOT@/usershares
    winbindd socket directory = @ROOT@/winbindd
    log file = @ROOT@/log/log.%m
    max log size = 1000
    interfaces = 127.0.0.1
    bind interfaces only = yes
    smb ports = @PORT@
    disable netbios = yes
    load printers = no
    printing = bsd
    printcap name = /dev/null
    disable spoolss = yes
    store dos attributes = no
    map readonly = yes
    map archive = no
    vfs objects =

[D$]
    path = @ROOT@/share
    read only = no
    valid users = @ACCOUNT@

[public]
    path = @ROOT@/public
    guest ok = yes
)";

void ReplaceAll(std::string& text, std::string_view placeholder, const std::string& value) {
    for (auto at = text.find(placeholder); at != std::string::npos;
         at = text.find(placeholder, at + value.size())) {
        text.replace(at, placeholder.size(), value);
    }
}

std::string UnixAccount() {
    const passwd* account = ::getpwuid(::geteuid());
    if (account == nullptr) {
        throw std::runtime_error("the account the tests run as has no name");
    }
    return account->pw_name;
}

/// A pipe whose read end a child takes as its standard input. Both ends are close-on-exec, so
/// that no other child keeps the write end open.
struct Pipe {
    Pipe() {
        int fds[2] = {-1, -1};
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            throw std::runtime_error("cannot create a pipe");
        }
        readEnd.Reset(fds[0]);
        writeEnd.Reset(fds[1]);
    }
    UniqueFd readEnd;
    UniqueFd writeEnd;
};

pid_t PidFromFile(const std::string& path) {
    std::ifstream in(path);
    long pid = 0;
    in >> pid;
    return in && pid > 1 ? static_cast<pid_t>(pid) : 0;
}

}  // namespace

SambaServer::~SambaServer() {
    Stop();
}

std::string SambaServer::ServerName() const {
    return m_host + ":" + std::to_string(m_port);
}

std::string SambaServer::SharePath() const {
    return "\\\\" + ServerName() + "\\" + kShareName;
}

std::string SambaServer::GuestSharePath() const {
    return "\\\\" + ServerName() + "\\public";
}

std::string SambaServer::ShareFolder() const {
    return *m_root / "share";
}

SambaLogin SambaServer::Admin() const {
    return {kLoginName, m_password};
}

std::string SambaServer::ConfigPath() const {
    return *m_root / "smb.conf";
}

void SambaServer::Start() {
    if (IsRunning()) {
        return;
    }
    if (::geteuid() != 0) {
        throw std::runtime_error("the Samba test server needs root, to act as the account it serves");
    }
    try {
        m_root = std::make_unique<TempDir>("synvora-smb");
        for (const std::string& folder : kServerFolders) {
            std::filesystem::create_directory(*m_root / folder);
        }
        // The guest account may pass through the folder to its share, and no further.
        namespace fs = std::filesystem;
        fs::permissions(m_root->Path(),
                        fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
        fs::permissions(*m_root / "private", fs::perms::owner_all);
        m_password = "Synvora#25-" + RandomHex(12);
        WriteBytes(*m_root / "users.map", UnixAccount() + " = " + kLoginName + "\n");
        StartWatchdog();
        StartServerOnFreePort();
    } catch (...) {
        Stop();
        throw;
    }
}

void SambaServer::WriteConfiguration() const {
    std::string text = kConfiguration;
    ReplaceAll(text, "@ROOT@", m_root->Path());
    ReplaceAll(text, "@PORT@", std::to_string(m_port));
    ReplaceAll(text, "@ACCOUNT@", UnixAccount());
    // The RPC services, the remote registry among them, are started when a client first asks.
    ReplaceAll(text, "@RPC@", m_options.registryService ? "" : "rpc start on demand helpers = no");
    WriteBytes(ConfigPath(), text);
}

void SambaServer::AddLogin() const {
    Pipe input;
    const std::string answers = m_password + "\n" + m_password + "\n";
    if (::write(input.writeEnd.Get(), answers.data(), answers.size()) !=
        static_cast<ssize_t>(answers.size())) {
        throw std::runtime_error("cannot hand the password to smbpasswd");
    }
    input.writeEnd.Reset();
    const std::string output = *m_root / "smbpasswd.out";
    const int exitCode = RunProcess({"smbpasswd", "-c", ConfigPath(), "-a", "-s", UnixAccount()},
                                    SpawnOptions{input.readEnd.Get(), output, {}, false});
    if (exitCode != 0) {
        throw std::runtime_error("smbpasswd failed (" + std::to_string(exitCode) + "): " + ReadBytes(output));
    }
}

void SambaServer::StartWatchdog() {
    Pipe lifeline;
    // Waits for the end of its input, which comes when this process closes the pipe or dies; then
    // stops the server's process groups that are still there and removes the folder. After a
    // normal Stop the folder, and with it the pid files, is gone already.
    const std::string script =
        "root=$1; cat >/dev/null; "
        "signal_all() { for f in \"$root/pid/samba-dcerpcd.pid\" \"$root/pid/smbd.pid\"; do "
        "  pid=$(cat \"$f\" 2>/dev/null); [ -n \"$pid\" ] && kill -s \"$1\" -- \"-$pid\" 2>/dev/null; "
        "done; }; "
        "signal_all TERM; sleep 1; signal_all KILL; rm -rf \"$root\"";
    m_watchdog.emplace(
        std::vector<std::string>{"/bin/sh", "-c", script, "synvora-smb-watchdog", m_root->Path()},
        SpawnOptions{lifeline.readEnd.Get(), "", {}, true});
    m_lifeline = std::move(lifeline.writeEnd);
    m_lifelineReader = std::move(lifeline.readEnd);
}

void SambaServer::StartServerOnFreePort() {
    std::string lastFailure;
    bool loginAdded = false;
    for (int attempt = 0; attempt < kStartAttempts; ++attempt) {
        m_port = FreeLoopbackPort();
        // smbd binds with SO_REUSEPORT: on a port that is taken it would start without a word and
        // share the connections with whoever holds it.
        if (AcceptsConnections(m_port)) {
            continue;
        }
        WriteConfiguration();
        if (!loginAdded) {
            AddLogin();
            loginAdded = true;
        }
        // Without --no-process-group smbd leads a process group of its own and ends when its
        // standard input ends.
        m_smbd.emplace(std::vector<std::string>{"smbd", "--foreground", "--configfile=" + ConfigPath()},
                       SpawnOptions{m_lifelineReader.Get(), *m_root / "smbd.out", {}, false});
        if (WaitUntilAccepting()) {
            return;
        }
        StopServerProcesses();
        lastFailure = ReadBytes(*m_root / "smbd.out") + ReadBytes(*m_root / "log/log.smbd");
    }
    throw std::runtime_error("smbd did not start: " + lastFailure);
}

bool SambaServer::WaitUntilAccepting() {
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (m_smbd->Poll()) {
            m_smbd.reset();
            return false;
        }
        if (AcceptsConnections(m_port)) {
            return true;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    return false;
}

void SambaServer::Pause() const {
    if (m_smbd) {
        ::kill(-m_smbd->Pid(), SIGSTOP);
    }
}

void SambaServer::Resume() const {
    if (m_smbd) {
        ::kill(-m_smbd->Pid(), SIGCONT);
    }
}

void SambaServer::StopServerProcesses() noexcept {
    if (m_root) {
        if (const pid_t helper = PidFromFile(*m_root / "pid/samba-dcerpcd.pid")) {
            ::kill(-helper, SIGTERM);
        }
    }
    if (!m_smbd) {
        return;
    }
    try {
        const pid_t group = m_smbd->Pid();
        ::kill(-group, SIGTERM);
        const auto deadline = std::chrono::steady_clock::now() + kStopTimeout;
        while (!m_smbd->Poll()) {
            if (std::chrono::steady_clock::now() >= deadline) {
                ::kill(-group, SIGKILL);
                m_smbd->Wait();
                break;
            }
            std::this_thread::sleep_for(kPollInterval);
        }
    } catch (...) {
        // Already reaped; the destructor below has nothing left to do.
    }
    m_smbd.reset();
}

void SambaServer::Stop() noexcept {
    StopServerProcesses();
    m_root.reset();
    m_lifeline.Reset();
    m_lifelineReader.Reset();
    if (m_watchdog) {
        try {
            m_watchdog->Wait();
        } catch (...) {
            // Already reaped.
        }
        m_watchdog.reset();
    }
}

std::string SambaServer::RunSmbClient(const std::string& commands) const {
    const std::string output = *m_root / "smbclient.out";
    const int exitCode =
        RunProcess({"smbclient", "--configfile=" + ConfigPath(), "//" + m_host + "/" + kShareName, "-p",
                    std::to_string(m_port), "-U", kLoginName, "-c", commands},
                   SpawnOptions{-1, output, {"PASSWD=" + m_password}, false});
    std::string result = ReadBytes(output);
    if (exitCode != 0) {
        throw std::runtime_error("smbclient failed (" + std::to_string(exitCode) + "): " + result);
    }
    return result;
}

int SambaServer::SessionCount() const {
    const std::string output = *m_root / "smbstatus.out";
    const int exitCode = RunProcess({"smbstatus", "--configfile=" + ConfigPath(), "--brief", "--json"},
                                    SpawnOptions{-1, output, {}, false});
    const std::string status = ReadBytes(output);
    if (exitCode != 0) {
        throw std::runtime_error("smbstatus failed: " + status);
    }
    int sessions = 0;
    for (auto at = status.find("\"session_id\""); at != std::string::npos;
         at = status.find("\"session_id\"", at + 1)) {
        ++sessions;
    }
    return sessions;
}

int SambaServer::RunNetRegistry(const std::vector<std::string>& arguments, std::string& output) const {
    const std::string outputPath = *m_root / "net.out";
    std::vector<std::string> argv = {"net", "--configfile=" + ConfigPath(), "registry"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    const int exitCode = RunProcess(argv, SpawnOptions{-1, outputPath, {}, false});
    output = ReadBytes(outputPath);
    return exitCode;
}

void SambaServer::SetRegistryValue(const std::string& key, const std::string& name,
                                   const std::string& value) const {
    const std::string path = "HKLM\\" + key;
    std::string output;
    // "--": a value name or text that begins with "-" is no option.
    if (RunNetRegistry({"createkey", "--", path}, output) != 0 ||
        RunNetRegistry({"setvalue", "--", path, name, "sz", value}, output) != 0) {
        throw std::runtime_error("net registry cannot write " + path + "\\" + name + ": " + output);
    }
}

void SambaServer::DeleteRegistryKey(const std::string& key) const {
    std::string output;
    if (RunNetRegistry({"deletekey_recursive", "--", "HKLM\\" + key}, output) != 0 &&
        output.find("WERR_FILE_NOT_FOUND") == std::string::npos) {
        throw std::runtime_error("net registry cannot delete " + key + ": " + output);
    }
}

SambaServer& SharedSambaServer() {
    static SambaServer server;
    return server;
}

void SambaEnvironment::SetUp() {
    try {
        SharedSambaServer().Start();
    } catch (const std::exception& failure) {
        FAIL() << "The Samba test server could not be started: " << failure.what();
    }
}

void SambaEnvironment::TearDown() {
    SharedSambaServer().Stop();
}

}  // namespace synvora::test
