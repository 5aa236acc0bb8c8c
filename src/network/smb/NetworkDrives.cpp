#include "network/NetworkDrives.h"

#include <algorithm>
#include <cctype>
#include <thread>

#include "files/ErrorCodes.h"
#include "files/FileSystem.h"
#include "files/MigrationError.h"
#include "files/posix/RoutingFileSystem.h"
#include "network/SharePath.h"
#include "network/smb/LibraryThread.h"
#include "network/smb/ShareConnection.h"
#include "network/smb/ShareFileSystem.h"

namespace synvora {
namespace {

constexpr std::chrono::milliseconds kDefaultTimeout{20000};
/// Result flag of a connection that was given a local drive letter.
constexpr unsigned kConnectLocalDrive = 0x100;
// C: and the letters below it are this machine's own on the system the paths come from.
constexpr char kHighestLetter = 'Z';
constexpr char kLowestLetter = 'D';

/// One connection attempt, reported as the system's connection call reports it.
struct ConnectionAttempt {
    std::int32_t status = 0;  // 0, or the platform error number of the failure
    std::string accessName;
    unsigned resultFlags = 0;

    static ConnectionAttempt Failed(std::int32_t status) { return {status, "", 0}; }
};

struct MappedConnection {
    char letter;
    std::shared_ptr<ShareConnection> connection;
};

/// Every connection the program opened and has not released. Only the thread that used it first
/// may connect or release: the table is that thread's (a copy's workers open connections of
/// their own, ShareConnection::OpenAnother).
class ConnectionTable {
public:
    static ConnectionTable& Instance() {
        static ConnectionTable table;
        return table;
    }
    ConnectionTable(const ConnectionTable&) = delete;
    ConnectionTable& operator=(const ConnectionTable&) = delete;
    ~ConnectionTable() { ReleaseAll(); }

    ConnectionAttempt UseConnection(const std::string& sharePath, const std::string& password,
                                    const std::string& user);
    bool CancelConnection(const std::string& drive);
    std::optional<NetworkCredentials> CredentialsFor(const ServerAddress& server) const;
    std::vector<std::string> Drives() const;
    void ReleaseAll() noexcept;
    void SetTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }

private:
    // The drive router is created first, so that it outlives this table, which unmounts from it
    // when the process exits.
    ConnectionTable() { (void)TheFileSystem(); }

    bool OnOwnerThread() {
        if (m_owner == std::thread::id()) {
            m_owner = std::this_thread::get_id();
        }
        return m_owner == std::this_thread::get_id();
    }

    std::vector<MappedConnection> m_connections;
    std::thread::id m_owner;
    std::chrono::milliseconds m_timeout = kDefaultTimeout;
};

std::optional<char> FreeDriveLetter() {
    for (char letter = kHighestLetter; letter >= kLowestLetter; --letter) {
        if (!IsDriveMounted(letter)) {
            return letter;
        }
    }
    return std::nullopt;
}

std::string DriveName(char letter) {
    return std::string(1, letter) + ":";
}

ConnectionAttempt ConnectionTable::UseConnection(const std::string& sharePath, const std::string& password,
                                                 const std::string& user) {
    if (!OnOwnerThread()) {
        return ConnectionAttempt::Failed(PlatformError::kPermissionDenied);
    }
    const auto share = ParseSharePath(sharePath);
    if (!share) {
        return ConnectionAttempt::Failed(PlatformError::kBadFileNameOrNumber);
    }
    const auto letter = FreeDriveLetter();
    if (!letter) {
        return ConnectionAttempt::Failed(PlatformError::kDiskNotReady);
    }
    std::shared_ptr<ShareConnection> connection;
    try {
        connection = ShareConnection::Open(*share, {user, password}, m_timeout);
    } catch (const MigrationError& error) {
        return ConnectionAttempt::Failed(error.Number());
    }
    MountDrive(*letter, std::make_shared<ShareFileSystem>(connection));
    m_connections.push_back({*letter, std::move(connection)});
    return {0, DriveName(*letter), kConnectLocalDrive};
}

bool ConnectionTable::CancelConnection(const std::string& drive) {
    if (!OnOwnerThread() || drive.size() != 2 || drive[1] != ':') {
        return false;
    }
    const auto letter = static_cast<char>(std::toupper(static_cast<unsigned char>(drive[0])));
    const auto mapped = std::find_if(m_connections.begin(), m_connections.end(),
                                     [letter](const MappedConnection& m) { return m.letter == letter; });
    if (mapped == m_connections.end() || !mapped->connection->Release()) {
        return false;
    }
    UnmountDrive(mapped->letter);
    m_connections.erase(mapped);
    return true;
}

std::optional<NetworkCredentials> ConnectionTable::CredentialsFor(const ServerAddress& server) const {
    for (auto mapped = m_connections.rbegin(); mapped != m_connections.rend(); ++mapped) {
        if (mapped->connection->Share().server.SameServer(server)) {
            return mapped->connection->Credentials();
        }
    }
    return std::nullopt;
}

std::vector<std::string> ConnectionTable::Drives() const {
    std::vector<std::string> drives;
    for (const MappedConnection& mapped : m_connections) {
        drives.push_back(DriveName(mapped.letter));
    }
    return drives;
}

void ConnectionTable::ReleaseAll() noexcept {
    for (MappedConnection& mapped : m_connections) {
        UnmountDrive(mapped.letter);
        mapped.connection->Shutdown();
    }
    m_connections.clear();
}

}  // namespace

int MapNetworkDrive(const std::string& sharePath, const std::string& user, const std::string& password,
                    std::string& mappedDrive) {
    try {
        ConnectionTable& table = ConnectionTable::Instance();
        ConnectionAttempt attempt = table.UseConnection(sharePath, password, user);
        // "Disk not ready" is a server that could not be reached or did not answer in time.
        if (attempt.status != 0 && attempt.status != PlatformError::kDiskNotReady) {
            attempt = table.UseConnection(sharePath, user, password);
        }
        if (attempt.status != 0 || attempt.resultFlags != kConnectLocalDrive) {
            return 1;
        }
        mappedDrive = attempt.accessName.substr(0, attempt.accessName.find(':') + 1);
        return 0;
    } catch (const std::exception&) {
        return 1;
    }
}

int DisconnectNetworkDrive(std::string& mappedDrive) {
    try {
        if (!ConnectionTable::Instance().CancelConnection(mappedDrive)) {
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

void SetNetworkTimeout(std::chrono::milliseconds timeout) {
    ConnectionTable::Instance().SetTimeout(timeout);
}

}  // namespace synvora
