#include "NetRegistry.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <utility>

#include "database/posix/CapturedRun.h"
#include "database/posix/ChildProcess.h"
#include "database/posix/ProgramSearch.h"
#include "files/Encoding.h"
#include "files/PlatformErrors.h"
#include "files/TemporaryNames.h"
#include "network/NetworkDrives.h"
#include "webmigration/Registry.h"

namespace synvora {
namespace {

namespace fs = std::filesystem;

constexpr const char* kNetProgram = "net";
constexpr const char* kRootName = "HKLM";
constexpr std::string_view kFolderPrefix = "synvora-net-";

// Rights that only read: query value, enumerate subkeys, notify, and the standard read right.
constexpr std::uint32_t kReadRights = 0x0001 | 0x0008 | 0x0010 | 0x00020000;

// The NT statuses `net` reports, as the Windows registry calls report them.
struct StatusName {
    std::string_view ntStatus;
    std::int32_t windowsStatus;
};
constexpr StatusName kStatuses[] = {
    {"NO_SUCH_DEVICE", kRegistryNotFound},  // what the server answers for a missing key or value
    {"OBJECT_NAME_NOT_FOUND", kRegistryNotFound},
    {"OBJECT_PATH_NOT_FOUND", kRegistryNotFound},
    {"NO_SUCH_FILE", kRegistryNotFound},
    {"NOT_FOUND", kRegistryNotFound},
    {"ACCESS_DENIED", kRegistryAccessDenied},
    {"LOGON_FAILURE", kRegistryLogonFailure},
    {"WRONG_PASSWORD", kRegistryLogonFailure},
    {"NO_SUCH_USER", kRegistryLogonFailure},
    {"IO_TIMEOUT", kRegistryTimeout},
    {"CONNECTION_REFUSED", kRegistryConnectionRefused},
    {"HOST_UNREACHABLE", kRegistryHostUnreachable},
    {"NETWORK_UNREACHABLE", kRegistryNetworkUnreachable},
    {"BAD_NETWORK_NAME", kRegistryBadNetName},
    {"BUFFER_TOO_SMALL", kRegistryMoreData},
    {"BUFFER_OVERFLOW", kRegistryMoreData},
};

/// The private folder `net` works in: its client configuration and every folder it would
/// otherwise take from the machine's Samba installation. Owner-only, created on first use and
/// removed when the program ends.
class NetClientFolder {
public:
    static const NetClientFolder& Instance() {
        static const NetClientFolder folder;
        return folder;
    }
    NetClientFolder(const NetClientFolder&) = delete;
    NetClientFolder& operator=(const NetClientFolder&) = delete;
    ~NetClientFolder() {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }

    std::string ConfigPath() const { return m_path / "smb.conf"; }

private:
    NetClientFolder() : m_path(CreatePrivateFolder()) {
        try {
            WriteConfiguration();
        } catch (...) {
            std::error_code ignored;
            fs::remove_all(m_path, ignored);
            throw;
        }
    }

    void WriteConfiguration() const {
        std::string configuration = "[global]\n";
        for (const auto& [parameter, folder] : kFolders) {
            fs::create_directory(m_path / folder);
            configuration += "    " + std::string(parameter) + " = " + (m_path / folder).string() + "\n";
        }
        fs::create_directory(m_path / "log");
        configuration += "    log file = " + (m_path / "log" / "net.log").string() + "\n    log level = 0\n";
        // Names and values travel as UTF-8, whatever the locale says.
        configuration += "    unix charset = UTF-8\n";
        std::ofstream out(ConfigPath(), std::ios::binary);
        if (!(out << configuration).flush()) {
            ThrowPlatformError(EIO);
        }
    }

    static fs::path CreatePrivateFolder() {
        // The process id in the name tells a later run whose folder it is (RemoveLeftoverFolders).
        std::string pattern = (fs::temp_directory_path() /
                               (std::string(kFolderPrefix) + std::to_string(::getpid()) + "-XXXXXX"))
                                  .string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            ThrowPlatformError(errno);
        }
        return pattern;
    }

    static constexpr std::pair<std::string_view, std::string_view> kFolders[] = {
        {"lock directory", "lock"},  {"state directory", "state"},    {"cache directory", "cache"},
        {"private dir", "private"},  {"pid directory", "pid"},        {"ncalrpc dir", "ncalrpc"},
        {"binddns dir", "bind-dns"}, {"usershare path", "usershares"}};

    fs::path m_path;
};

// "synvora-net-<process id>-XXXXXX", as mkdtemp completes the pattern; the id of the process
// that made it, or nothing for another name.
std::optional<unsigned long long> OwnerOfNetFolder(std::string_view name) {
    constexpr std::size_t kRandomLength = 6;
    if (!name.starts_with(kFolderPrefix) || name.size() < kFolderPrefix.size() + 2 + kRandomLength) {
        return std::nullopt;
    }
    const std::string_view random = name.substr(name.size() - kRandomLength);
    const std::string_view id =
        name.substr(kFolderPrefix.size(), name.size() - kFolderPrefix.size() - kRandomLength - 1);
    if (name[name.size() - kRandomLength - 1] != '-' || id.empty() ||
        id.find_first_not_of("0123456789") != std::string_view::npos ||
        random.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789") !=
            std::string_view::npos) {
        return std::nullopt;
    }
    unsigned long long owner = 0;
    const auto [end, error] = std::from_chars(id.data(), id.data() + id.size(), owner);
    if (error != std::errc() || end != id.data() + id.size()) {
        return std::nullopt;
    }
    return owner;
}

// The private folders of earlier runs that were killed before they could remove them: folders of
// this account whose owning process has ended.
void RemoveLeftoverNetFolders() {
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(fs::temp_directory_path(error), error)) {
        const auto owner = OwnerOfNetFolder(entry.path().filename().string());
        struct stat info {};
        if (owner && ProcessHasEnded(*owner) && ::lstat(entry.path().c_str(), &info) == 0 &&
            S_ISDIR(info.st_mode) && info.st_uid == ::geteuid()) {
            std::error_code ignored;
            fs::remove_all(entry.path(), ignored);
        }
    }
}

std::string_view UpToNul(std::string_view name) {
    return name.substr(0, name.find('\0'));
}

std::string JoinKeyPath(const std::string& parent, const std::string& subKey) {
    if (subKey.empty()) {
        return parent;
    }
    return parent.empty() ? subKey : parent + "\\" + subKey;
}

std::int32_t StatusOfFailedRun(const CapturedRun& run) {
    if (run.timedOut) {
        return kRegistryTimeout;
    }
    constexpr std::string_view kPrefix = "NT_STATUS_";
    const auto at = run.errors.rfind(kPrefix);
    if (at == std::string::npos) {
        // No status at all: the machine's name could not even be resolved.
        return kRegistryBadNetPath;
    }
    const std::string_view rest = std::string_view(run.errors).substr(at + kPrefix.size());
    const std::string_view name =
        rest.substr(0, rest.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ_0123456789"));
    for (const StatusName& status : kStatuses) {
        if (status.ntStatus == name) {
            return status.windowsStatus;
        }
    }
    return kRegistryServerUnavailable;
}

// `net` splits a user name at "%" and takes the rest as the password: such a login cannot be
// handed to it without being changed.
bool CanBeGivenToNet(const std::optional<NetworkCredentials>& login) {
    return !login || login->user.find('%') == std::string::npos;
}

}  // namespace

NetRegistry::NetRegistry(CredentialsLookup credentials) : m_credentials(std::move(credentials)) {
    RemoveLeftoverNetFolders();
}

CapturedRun NetRegistry::RunNet(const RemoteKey& key, const std::string& command,
                                const std::vector<std::string>& arguments) const {
    const std::string program = FindProgram(kNetProgram);
    if (program.empty()) {
        ThrowPlatformError(ENOENT);
    }
    std::vector<std::string> words = {kNetProgram, "--configfile=" + NetClientFolder::Instance().ConfigPath(),
                                      "--use-kerberos=off", "--server=" + key.server.host};
    if (key.server.port) {
        words.push_back("--port=" + std::to_string(*key.server.port));
    }
    // Untranslated messages, and no login taken from the environment by mistake.
    std::vector<std::string> environment = {"PATH=/usr/sbin:/usr/bin:/sbin:/bin", "LC_ALL=C"};
    words.push_back("--user=" + (key.login ? key.login->user : std::string()));
    if (key.login && !key.login->password.empty()) {
        environment.push_back("PASSWD=" + key.login->password);
    } else {
        // An empty password is sent as such; `net` would otherwise ask for one.
        words.push_back("--no-pass");
    }
    // Whatever the names hold, they are not read as options.
    words.insert(words.end(), {"--", "rpc", "registry", command, JoinKeyPath(kRootName, key.path)});
    words.insert(words.end(), arguments.begin(), arguments.end());
    return RunCapturingOutput(program, words, environment, m_callLimit);
}

std::int32_t NetRegistry::ProbeKey(const RemoteKey& key) const {
    const CapturedRun run = RunNet(key, "enumerate", {});
    return EndedWithSuccess(run.waitStatus) ? kRegistrySuccess : StatusOfFailedRun(run);
}

RegistryHandle NetRegistry::AddKey(RemoteKey key) {
    const RegistryHandle handle =
        m_handles.Next([this](RegistryHandle used) { return m_keys.contains(used); });
    m_keys.emplace(handle, std::move(key));
    return handle;
}

std::int32_t NetRegistry::ConnectRegistry(std::string_view machineName, RegistryHandle root,
                                          RegistryHandle& result) {
    if (root != kHKeyLocalMachine) {
        return kRegistryInvalidHandle;
    }
    const std::string machine = AnsiToUtf8(UpToNul(machineName));
    const auto server = ParseServerAddress(machine);
    if (!server) {
        return kRegistryBadNetPath;
    }
    RemoteKey key{*server, m_credentials(machine), ""};
    if (!CanBeGivenToNet(key.login)) {
        return kRegistryLogonFailure;
    }
    const std::int32_t status = ProbeKey(key);
    if (status == kRegistrySuccess) {
        result = AddKey(std::move(key));
    }
    return status;
}

std::int32_t NetRegistry::OpenKey(RegistryHandle key, std::string_view subKey, std::uint32_t /*options*/,
                                  std::uint32_t desiredAccess, RegistryHandle& result) {
    if ((desiredAccess & ~kReadRights) != 0) {
        return kRegistryAccessDenied;
    }
    const auto parent = m_keys.find(key);
    if (parent == m_keys.end()) {
        return kRegistryInvalidHandle;
    }
    RemoteKey opened = parent->second;
    opened.path = JoinKeyPath(opened.path, AnsiToUtf8(UpToNul(subKey)));
    const std::int32_t status = ProbeKey(opened);
    if (status == kRegistrySuccess) {
        result = AddKey(std::move(opened));
    }
    return status;
}

std::int32_t NetRegistry::QueryValue(RegistryHandle key, std::string_view valueName, std::uint32_t& type,
                                     char* data, std::uint32_t& size) {
    const auto opened = m_keys.find(key);
    if (opened == m_keys.end()) {
        return kRegistryInvalidHandle;
    }
    const CapturedRun run = RunNet(opened->second, "getvalueraw", {AnsiToUtf8(UpToNul(valueName))});
    if (!EndedWithSuccess(run.waitStatus)) {
        return StatusOfFailedRun(run);
    }
    if (run.output.size() >= kMaxCapturedBytes) {
        // Cut off by the capture: more than any caller's buffer holds.
        size = static_cast<std::uint32_t>(kMaxCapturedBytes);
        return kRegistryMoreData;
    }
    // `net` ends the text with a line break of its own.
    std::string_view text = run.output;
    if (text.ends_with('\n')) {
        text.remove_suffix(1);
    }
    std::string bytes = Utf8ToAnsi(text);
    bytes.push_back('\0');
    const std::uint32_t capacity = size;
    type = kRegSz;
    size = static_cast<std::uint32_t>(bytes.size());
    if (data == nullptr) {
        return kRegistrySuccess;
    }
    if (bytes.size() > capacity) {
        return kRegistryMoreData;
    }
    std::copy(bytes.begin(), bytes.end(), data);
    return kRegistrySuccess;
}

std::int32_t NetRegistry::CloseKey(RegistryHandle key) {
    return m_keys.erase(key) == 1 ? kRegistrySuccess : kRegistryInvalidHandle;
}

std::shared_ptr<RemoteRegistryCalls> SystemRemoteRegistry() {
    return std::make_shared<NetRegistry>(CredentialsOfConnectionTo);
}

}  // namespace synvora
