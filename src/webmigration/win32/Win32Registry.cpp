#include "webmigration/win32/Win32Registry.h"

#include <memory>

namespace synvora {
namespace {

// The predefined roots are handles 0x80000000 to 0x80000006, sign-extended to a pointer as the
// system's headers define HKEY_LOCAL_MACHINE.
constexpr RegistryHandle kFirstPredefined = 0x80000000;
constexpr RegistryHandle kLastPredefined = 0x80000006;

bool IsPredefined(RegistryHandle key) {
    return key >= kFirstPredefined && key <= kLastPredefined;
}

HKEY PredefinedKey(RegistryHandle key) {
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(key)));
}

}  // namespace

HKEY Win32Registry::Resolve(RegistryHandle key) const {
    if (IsPredefined(key)) {
        return PredefinedKey(key);
    }
    const auto it = m_open.find(key);
    return it == m_open.end() ? nullptr : it->second.Get();
}

RegistryHandle Win32Registry::Keep(HKEY key) {
    const RegistryHandle handle = m_handles.Next([this](RegistryHandle h) { return m_open.contains(h); });
    m_open.emplace(handle, UniqueRegistryKey(key));
    return handle;
}

std::int32_t Win32Registry::ConnectRegistry(std::string_view machineName, RegistryHandle root,
                                            RegistryHandle& result) {
    if (!IsPredefined(root)) {
        return kRegistryInvalidHandle;
    }
    const std::wstring machine = RegistryTextToWide(machineName);
    HKEY connected = nullptr;
    // Not under the lock: reaching another machine can take the system's whole network time-out.
    const LSTATUS status = ::RegConnectRegistryW(machine.c_str(), PredefinedKey(root), &connected);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    std::lock_guard lock(m_mutex);
    result = Keep(connected);
    return kRegistrySuccess;
}

std::int32_t Win32Registry::OpenKey(RegistryHandle key, std::string_view subKey, std::uint32_t options,
                                    std::uint32_t desiredAccess, RegistryHandle& result) {
    std::lock_guard lock(m_mutex);
    const HKEY parent = Resolve(key);
    if (parent == nullptr) {
        return kRegistryInvalidHandle;
    }
    const std::wstring name = RegistryTextToWide(subKey);
    HKEY opened = nullptr;
    const LSTATUS status = ::RegOpenKeyExW(parent, name.c_str(), options, desiredAccess, &opened);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    result = Keep(opened);
    return kRegistrySuccess;
}

std::int32_t Win32Registry::QueryValue(RegistryHandle key, std::string_view valueName, std::uint32_t& type,
                                       char* data, std::uint32_t& size) {
    std::lock_guard lock(m_mutex);
    const HKEY opened = Resolve(key);
    if (opened == nullptr) {
        return kRegistryInvalidHandle;
    }
    const std::wstring name = RegistryTextToWide(valueName);
    DWORD valueType = type;
    DWORD bytes = size;
    const LSTATUS status =
        ::RegQueryValueExW(opened, name.c_str(), nullptr, &valueType, reinterpret_cast<BYTE*>(data), &bytes);
    type = valueType;
    size = bytes;
    return status;
}

std::int32_t Win32Registry::CloseKey(RegistryHandle key) {
    std::lock_guard lock(m_mutex);
    if (IsPredefined(key)) {
        return kRegistrySuccess;
    }
    const auto it = m_open.find(key);
    if (it == m_open.end()) {
        return kRegistryInvalidHandle;
    }
    const LSTATUS status = it->second.Close();
    m_open.erase(it);
    return status;
}

RegistryCalls& LocalRegistry() {
    static Win32Registry registry;
    return registry;
}

std::shared_ptr<RemoteRegistryCalls> SystemRemoteRegistry() {
    return std::make_shared<Win32Registry>();
}

}  // namespace synvora
