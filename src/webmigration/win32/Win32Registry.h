#pragma once

#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

#include "files/win32/WindowsApi.h"
#include "webmigration/RegistryCalls.h"
#include "webmigration/RegistryHandles.h"

namespace synvora {

/// UTF-16 registry text (RegistryCalls.h) as the wide calls take it; a trailing odd byte is dropped.
std::wstring RegistryTextToWide(std::string_view text);

/// Owns a registry key handle of the system; closes it with RegCloseKey, never throws.
class UniqueRegistryKey {
public:
    explicit UniqueRegistryKey(HKEY key) noexcept : m_key(key) {}
    UniqueRegistryKey(UniqueRegistryKey&& other) noexcept : m_key(std::exchange(other.m_key, nullptr)) {}
    UniqueRegistryKey& operator=(UniqueRegistryKey&&) = delete;
    UniqueRegistryKey(const UniqueRegistryKey&) = delete;
    UniqueRegistryKey& operator=(const UniqueRegistryKey&) = delete;
    ~UniqueRegistryKey() { (void)Close(); }

    HKEY Get() const noexcept { return m_key; }
    /// Closes now: the status of RegCloseKey.
    LSTATUS Close() noexcept { return m_key != nullptr ? ::RegCloseKey(std::exchange(m_key, nullptr)) : 0; }

private:
    HKEY m_key;
};

/// The Windows registry through the wide calls (RegConnectRegistryW, RegOpenKeyExW,
/// RegQueryValueExW, RegCloseKey), for this machine and for others. The program's 32-bit handles
/// (RegistryCalls.h) stand for the system's keys, which this object owns until CloseKey or its
/// end; the predefined roots (kHKeyLocalMachine) are the system's own. The statuses are the
/// system's.
///
/// Another machine is reached with the login of the session this machine already holds to it (the
/// drive the program mapped to that machine's share), as RegConnectRegistryW does; the wait for
/// an unreachable machine is the system's.
class Win32Registry final : public RemoteRegistryCalls {
public:
    std::int32_t ConnectRegistry(std::string_view machineName, RegistryHandle root,
                                 RegistryHandle& result) override;
    std::int32_t OpenKey(RegistryHandle key, std::string_view subKey, std::uint32_t options,
                         std::uint32_t desiredAccess, RegistryHandle& result) override;
    std::int32_t QueryValue(RegistryHandle key, std::string_view valueName, std::uint32_t& type, char* data,
                            std::uint32_t& size) override;
    std::int32_t CloseKey(RegistryHandle key) override;

private:
    /// The system's key behind a handle; null for a handle that is neither open nor predefined.
    HKEY Resolve(RegistryHandle key) const;
    RegistryHandle Keep(HKEY key);

    mutable std::mutex m_mutex;
    std::map<RegistryHandle, UniqueRegistryKey> m_open;
    RegistryHandleCounter m_handles;
};

}  // namespace synvora
