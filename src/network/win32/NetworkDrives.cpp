// The network drive on Windows: the system connects the share to a drive letter it chooses, and
// the drive is then an ordinary drive of the system, read through the file layer like any other.

#include "network/NetworkDrives.h"

#include <algorithm>
#include <functional>
#include <mutex>
#include <utility>

#include "files/win32/WideText.h"
#include "network/SharePath.h"
#include "network/WhileWaitingForServers.h"
#include "network/win32/WNetCalls.h"

namespace synvora {
namespace {

/// The access name buffer of a connection: 32 characters, as the program always gave it.
constexpr DWORD kAccessNameLength = 32;

struct ConnectionAttempt {
    DWORD status = ERROR_SUCCESS;
    std::wstring accessName;
    DWORD resultFlags = 0;
};

/// A drive the program connected and has not released.
struct MappedDrive {
    std::string drive;  // "Z:"
    std::optional<ServerAddress> server;
    NetworkCredentials login;
};

/// Failures that say the server cannot be reached at all: no login can change them, and a second
/// attempt would only double the wait.
bool ServerUnreachable(DWORD status) {
    switch (status) {
        case ERROR_BAD_NETPATH:
        case ERROR_NO_NETWORK:
        case ERROR_NETWORK_UNREACHABLE:
        case ERROR_HOST_UNREACHABLE:
        case ERROR_SEM_TIMEOUT:
        case ERROR_REM_NOT_LIST:
            return true;
        default:
            return false;
    }
}

bool SameDrive(const std::string& a, const std::string& b) {
    return a.size() == 2 && b.size() == 2 && a[1] == ':' && b[1] == ':' && (a[0] | 0x20) == (b[0] | 0x20);
}

/// Every connection the program made and has not released, so that the end of the program can
/// release them and the remote registry can tell which login reaches a server.
class ConnectionTable {
public:
    static ConnectionTable& Instance() {
        static ConnectionTable table;
        return table;
    }
    ConnectionTable(const ConnectionTable&) = delete;
    ConnectionTable& operator=(const ConnectionTable&) = delete;
    ~ConnectionTable() { ReleaseAll(); }

    /// One WNetUseConnectionW: the record of a disk share with no local name, and CONNECT_REDIRECT
    /// alone, so that the system redirects a free drive letter of its choice (Z: first), without a
    /// dialog and without remembering the connection in the user's profile.
    static ConnectionAttempt UseConnection(const std::wstring& sharePath, const std::wstring& password,
                                           const std::wstring& user) {
        std::wstring remoteName = sharePath;
        NETRESOURCEW resource{};
        resource.dwScope = RESOURCE_GLOBALNET;
        resource.dwType = RESOURCETYPE_DISK;
        resource.dwDisplayType = RESOURCEDISPLAYTYPE_SHARE;
        resource.dwUsage = RESOURCEUSAGE_CONNECTABLE;
        resource.lpRemoteName = remoteName.data();
        std::wstring accessName(kAccessNameLength, L' ');
        DWORD size = kAccessNameLength;  // characters
        ConnectionAttempt attempt;
        attempt.status =
            CurrentWNetCalls().UseConnection(resource, password.c_str(), user.c_str(), CONNECT_REDIRECT,
                                             accessName.data(), size, attempt.resultFlags);
        if (attempt.status == ERROR_SUCCESS) {
            // The name ends at its NUL; the buffer holds no more than its 32 characters.
            attempt.accessName = accessName.substr(0, accessName.find(L'\0'));
        }
        return attempt;
    }

    void Add(MappedDrive drive) {
        std::lock_guard lock(m_mutex);
        m_drives.push_back(std::move(drive));
    }

    /// WNetCancelConnection2W of a drive the program connected, never forced: while files on it
    /// are open the system refuses. The profile is updated, as the program always asked.
    bool Cancel(const std::string& drive) {
        std::lock_guard lock(m_mutex);
        const auto mapped = Find(drive);
        if (mapped == m_drives.end() ||
            CurrentWNetCalls().CancelConnection(Utf8ToWide(mapped->drive).c_str(), CONNECT_UPDATE_PROFILE,
                                                FALSE) != NO_ERROR) {
            return false;
        }
        m_drives.erase(mapped);
        return true;
    }

    std::optional<NetworkCredentials> CredentialsFor(const ServerAddress& server) const {
        std::lock_guard lock(m_mutex);
        for (auto mapped = m_drives.rbegin(); mapped != m_drives.rend(); ++mapped) {
            if (mapped->server && mapped->server->SameServer(server)) {
                return mapped->login;
            }
        }
        return std::nullopt;
    }

    std::vector<std::string> Drives() const {
        std::lock_guard lock(m_mutex);
        std::vector<std::string> drives;
        for (const MappedDrive& mapped : m_drives) {
            drives.push_back(mapped.drive);
        }
        return drives;
    }

    /// Every drive the program still holds, unforced: a drive that another program has files open
    /// on stays with it, and goes when the user logs off (it is not remembered in the profile).
    void ReleaseAll() noexcept {
        std::lock_guard lock(m_mutex);
        std::erase_if(m_drives, [](const MappedDrive& mapped) {
            try {
                return CurrentWNetCalls().CancelConnection(Utf8ToWide(mapped.drive).c_str(), 0, FALSE) ==
                       NO_ERROR;
            } catch (...) {
                return false;
            }
        });
    }

private:
    ConnectionTable() = default;

    std::vector<MappedDrive>::iterator Find(const std::string& drive) {
        return std::find_if(m_drives.begin(), m_drives.end(),
                            [&drive](const MappedDrive& mapped) { return SameDrive(mapped.drive, drive); });
    }

    mutable std::mutex m_mutex;
    std::vector<MappedDrive> m_drives;
};

std::function<void()>& WhileWaiting() {
    static std::function<void()> whileWaiting;
    return whileWaiting;
}

}  // namespace

int MapNetworkDrive(const std::string& sharePath, const std::string& user, const std::string& password,
                    std::string& mappedDrive) {
    try {
        const std::wstring share = Utf8ToWide(sharePath);
        NetworkCredentials login{user, password};
        ConnectionAttempt attempt =
            ConnectionTable::UseConnection(share, Utf8ToWide(password), Utf8ToWide(user));
        if (attempt.status != ERROR_SUCCESS && !ServerUnreachable(attempt.status)) {
            // For a login typed into the wrong fields: the user name as the password and the reverse.
            login = {password, user};
            attempt = ConnectionTable::UseConnection(share, Utf8ToWide(user), Utf8ToWide(password));
        }
        // A connection that was not given a drive letter cannot serve the program's paths.
        if (attempt.status != ERROR_SUCCESS || attempt.resultFlags != CONNECT_LOCALDRIVE) {
            return 1;
        }
        const std::string accessName = WideToUtf8(attempt.accessName);
        const auto colon = accessName.find(':');
        const std::string drive = colon == std::string::npos ? "" : accessName.substr(0, colon + 1);
        // A name without a colon names no drive: the program has nothing it could release.
        if (!drive.empty()) {
            const auto parsed = ParseSharePath(sharePath);
            ConnectionTable::Instance().Add(
                {drive, parsed ? std::optional(parsed->server) : std::nullopt, std::move(login)});
        }
        mappedDrive = drive;
        return 0;
    } catch (const std::exception&) {
        return 1;
    }
}

int DisconnectNetworkDrive(std::string& mappedDrive) {
    try {
        if (!ConnectionTable::Instance().Cancel(mappedDrive)) {
            return 1;
        }
        mappedDrive.clear();
        return 0;
    } catch (const std::exception&) {
        return 1;
    }
}

std::optional<NetworkCredentials> CredentialsOfConnectionTo(const std::string& server) {
    const auto address = ParseServerAddress(server);
    if (!address) {
        return std::nullopt;
    }
    return ConnectionTable::Instance().CredentialsFor(*address);
}

std::vector<std::string> ConnectedNetworkDrives() {
    return ConnectionTable::Instance().Drives();
}

void ReleaseAllNetworkDrives() noexcept {
    ConnectionTable::Instance().ReleaseAll();
}

void SetNetworkTimeout(std::chrono::milliseconds /*timeout*/) {
    // The system's redirector times its own connections and reads; it offers no setting per call.
}

WhileWaitingForServers::WhileWaitingForServers(std::function<void()> whileWaiting)
    : m_previous(std::exchange(WhileWaiting(), std::move(whileWaiting))) {}

WhileWaitingForServers::~WhileWaitingForServers() {
    WhileWaiting() = std::move(m_previous);
}

}  // namespace synvora
