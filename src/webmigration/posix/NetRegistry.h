#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "network/NetworkCredentials.h"
#include "network/SharePath.h"
#include "webmigration/RegistryCalls.h"
#include "webmigration/RegistryHandles.h"

namespace synvora {

struct CapturedRun;

/// Another machine's HKEY_LOCAL_MACHINE on Linux, which has no remote registry call of its own:
/// every call runs Samba's `net rpc registry` (found as FindProgram finds programs), which speaks
/// the same remote registry protocol over SMB. The connection proves that the machine answers by
/// opening its root; an open proves that the key exists; a query reads the value's text.
///
/// The login is the one of the share connection the program holds to that machine when it
/// connects (as Windows reuses the session of a mapped drive), and none without such a
/// connection. The password reaches `net` through its environment, never its command line. `net`
/// reads a client configuration of its own in a private folder, so that nothing is written into
/// the machine's Samba folders, and each call is ended after a time limit, so that a machine
/// that does not answer cannot hold the window for ever.
///
/// Failures come back as the Windows status of the NT status `net` names (a missing key or value
/// kRegistryNotFound, a refused login kRegistryLogonFailure, the time limit kRegistryTimeout ...).
/// Values arrive as text: a string as it is, other types as `net` prints them. A `net` that
/// cannot be started raises MigrationError.
class NetRegistry final : public RemoteRegistryCalls {
public:
    using CredentialsLookup = std::function<std::optional<NetworkCredentials>(const std::string& server)>;

    static constexpr std::chrono::milliseconds kDefaultCallLimit{30000};

    /// `credentials` names the login of the connection held to a server, as typed ("\\OLDWEB").
    /// Removes the private folders that runs of the program which were killed left behind.
    explicit NetRegistry(CredentialsLookup credentials);

    std::int32_t ConnectRegistry(std::string_view machineName, RegistryHandle root,
                                 RegistryHandle& result) override;
    std::int32_t OpenKey(RegistryHandle key, std::string_view subKey, std::uint32_t options,
                         std::uint32_t desiredAccess, RegistryHandle& result) override;
    std::int32_t QueryValue(RegistryHandle key, std::string_view valueName, std::uint32_t& type, char* data,
                            std::uint32_t& size) override;
    std::int32_t CloseKey(RegistryHandle key) override;

    /// How long one call may take before `net` is ended.
    void SetCallLimit(std::chrono::milliseconds limit) { m_callLimit = limit; }

private:
    /// A connected root or an opened key: where it lies and with which login it is read.
    struct RemoteKey {
        ServerAddress server;
        std::optional<NetworkCredentials> login;
        std::string path;  // below HKEY_LOCAL_MACHINE, UTF-8, "" for the root
    };

    /// Runs `net rpc registry <command> HKLM\<path> <arguments>` against the key's machine.
    CapturedRun RunNet(const RemoteKey& key, const std::string& command,
                       const std::vector<std::string>& arguments) const;
    /// Runs `enumerate` on the key: 0 when `net` could open it, else the status of the failure.
    std::int32_t ProbeKey(const RemoteKey& key) const;
    RegistryHandle AddKey(RemoteKey key);

    CredentialsLookup m_credentials;
    std::chrono::milliseconds m_callLimit = kDefaultCallLimit;
    std::map<RegistryHandle, RemoteKey> m_keys;
    RegistryHandleCounter m_handles;
};

}  // namespace synvora
