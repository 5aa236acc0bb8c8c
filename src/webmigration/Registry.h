#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "webmigration/RegistryCalls.h"

namespace synvora {

/// Root key of every registry read of the program.
inline constexpr std::uint32_t kHKeyLocalMachine = 0x80000002;

/// Reads a string value of this machine's registry: its text up to the first NUL. The default when
/// the key or value cannot be read, or the value with its terminating NUL does not fit in 1024
/// characters of registry text (1023 characters fit; RegistryCalls.h).
std::string GetRegistryValue(std::uint32_t root, const std::string& keyPath, const std::string& valueName,
                             const std::string& defaultValue);

/// True when the new web server product's key exists on this machine.
bool IsWebServerInstalled();

/// The new web server's installation folder on this machine, or "NotFound".
std::string GetLocalInstallFolder();

/// This machine's computer name, or "NotFound".
std::string GetLocalComputerName();

/// The remote readers: string values of another machine's registry. They report trouble in
/// message boxes of their own (critical icon, OK only), shown through `showMessage`; nothing is
/// logged or raised to the caller.
class RemoteRegistry {
public:
    using ShowMessage = std::function<void(const std::string& prompt)>;

    /// Without calls no machine can be connected.
    RemoteRegistry(std::shared_ptr<RemoteRegistryCalls> calls, ShowMessage showMessage);
    RemoteRegistry(const RemoteRegistry&) = delete;
    RemoteRegistry& operator=(const RemoteRegistry&) = delete;
    ~RemoteRegistry();

    /// Connects to HKEY_LOCAL_MACHINE of the machine ("\\OLDWEB") and keeps it in
    /// m_hRemoteRoot: 0 connected, 1 failed.
    int ConnectRemoteRegistry(const std::string& machineName);

    /// Reads a value below m_hRemoteRoot into a buffer of 255 blanks. Read: the whole buffer,
    /// the value's text, its NUL and the remaining blanks (never empty). Key missing ("Cannot open
    /// key '...'.") or value missing or longer than 254 characters ("Cannot query value '...'."):
    /// "". A run-time failure is raised.
    std::string QueryRemoteRegistryValue(const std::string& keyPath, const std::string& valueName);

    /// Connects and reads: the value as QueryRemoteRegistryValue gives it, "" when it cannot be
    /// read, or "Error" when the machine cannot be reached (with a message for the value name
    /// "InstallDir" only) or a run-time failure interrupts the lookup.
    std::string GetRemoteRegistryValue(const std::string& machineName, const std::string& keyPath,
                                       const std::string& valueName);

private:
    std::shared_ptr<RemoteRegistryCalls> m_calls;
    ShowMessage m_showMessage;
    /// The root of the machine connected last; 0 before the first connection.
    RegistryHandle m_hRemoteRoot = 0;
};

}  // namespace synvora
