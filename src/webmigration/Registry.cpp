#include "Registry.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <string_view>

#include "files/ErrorCodes.h"
#include "files/PlatformErrors.h"
#include "webmigration/OpenedRegistryKey.h"

namespace synvora {
namespace {

constexpr std::size_t kLocalBufferLength = 1024;
constexpr std::uint32_t kNoOptions = 0;

constexpr const char* kWebServerKey = "SOFTWARE\\Corvane\\Velmoria\\Portivo";
constexpr const char* kInstallFolderKey = "SOFTWARE\\Corvane\\Velmoria\\Portivo\\PelluxServer\\1";
constexpr const char* kInstallFolderValue = "path";
constexpr const char* kComputerNameKey = "SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName";
constexpr const char* kComputerNameValue = "ComputerName";
constexpr const char* kNotFound = "NotFound";

constexpr std::size_t kRemoteBufferLength = 255;
constexpr const char* kUnreachableMarker = "Error";
constexpr const char* kInstallDirValue = "InstallDir";

// A buffer of `characters` blanks of registry text, as the readers fill it before a query.
std::string BlankBuffer(std::size_t characters) {
    return ToRegistryText(std::string(characters, ' '));
}

// The text of a value from the buffer it was queried into, size being the byte count returned.
// Nothing for a size of 0 (the size - 1 characters would be a negative length) or one beyond the
// buffer.
std::optional<std::string> QueriedText(std::string_view buffer, std::uint32_t size) {
    if (size == 0 || size > buffer.size()) {
        return std::nullopt;
    }
    // Dropping the last character drops the NUL that a string is stored with; a value stored
    // without one keeps its last character. A NUL inside a value ends the text there: a name or
    // folder with a NUL in it would be cut at that point by every call it is later passed to. Both
    // come to the text before the first NUL.
    std::string text = FromRegistryText(buffer.substr(0, size));
    text.resize(std::min(text.size(), text.find('\0')));
    return text;
}

std::string ReadLocalValue(std::uint32_t root, const std::string& keyPath, const std::string& valueName,
                           const std::string& defaultValue) {
    RegistryCalls& registry = LocalRegistry();
    RegistryHandle handle = 0;
    if (registry.OpenKey(root, ToRegistryText(keyPath), kNoOptions, kKeyQueryValue, handle) !=
        kRegistrySuccess) {
        return defaultValue;
    }
    OpenedRegistryKey key(registry, handle);
    std::string buffer = BlankBuffer(kLocalBufferLength);
    auto size = static_cast<std::uint32_t>(buffer.size());
    std::uint32_t type = kRegSz;
    if (registry.QueryValue(key.Handle(), ToRegistryText(valueName), type, buffer.data(), size) !=
        kRegistrySuccess) {
        return defaultValue;
    }
    return QueriedText(buffer, size).value_or(defaultValue);
}

}  // namespace

std::string GetRegistryValue(std::uint32_t root, const std::string& keyPath, const std::string& valueName,
                             const std::string& defaultValue) {
    try {
        return ReadLocalValue(root, keyPath, valueName, defaultValue);
    } catch (const std::exception&) {
        // The local readers answer with their default whatever goes wrong; nothing is shown.
        return defaultValue;
    }
}

bool IsWebServerInstalled() {
    try {
        RegistryCalls& registry = LocalRegistry();
        RegistryHandle handle = 0;
        if (registry.OpenKey(kHKeyLocalMachine, ToRegistryText(kWebServerKey), kNoOptions, kKeyQueryValue,
                             handle) != kRegistrySuccess) {
            return false;
        }
        OpenedRegistryKey key(registry, handle);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

std::string GetLocalInstallFolder() {
    return GetRegistryValue(kHKeyLocalMachine, kInstallFolderKey, kInstallFolderValue, kNotFound);
}

std::string GetLocalComputerName() {
    return GetRegistryValue(kHKeyLocalMachine, kComputerNameKey, kComputerNameValue, kNotFound);
}

RemoteRegistry::RemoteRegistry(std::shared_ptr<RemoteRegistryCalls> calls, ShowMessage showMessage)
    : m_calls(std::move(calls)), m_showMessage(std::move(showMessage)) {}

RemoteRegistry::~RemoteRegistry() {
    if (m_hRemoteRoot != 0) {
        m_calls->CloseKey(m_hRemoteRoot);
    }
}

int RemoteRegistry::ConnectRemoteRegistry(const std::string& machineName) {
    try {
        if (!m_calls) {
            return 1;
        }
        RegistryHandle root = 0;
        if (m_calls->ConnectRegistry(ToRegistryText(machineName), kHKeyLocalMachine, root) !=
            kRegistrySuccess) {
            return 1;
        }
        // The connection it replaces is no longer used by anyone.
        if (m_hRemoteRoot != 0) {
            m_calls->CloseKey(m_hRemoteRoot);
        }
        m_hRemoteRoot = root;
        return 0;
    } catch (const std::exception&) {
        return 1;
    }
}

std::string RemoteRegistry::QueryRemoteRegistryValue(const std::string& keyPath,
                                                     const std::string& valueName) {
    if (!m_calls) {
        // No machine was ever connected: the drive-not-ready failure of a missing device.
        ThrowPlatformErrorNumber(PlatformError::kDiskNotReady);
    }
    RegistryHandle handle = 0;
    if (m_calls->OpenKey(m_hRemoteRoot, ToRegistryText(keyPath), kNoOptions, kKeyQueryValue, handle) !=
        kRegistrySuccess) {
        m_showMessage("Cannot open key '" + keyPath + "'.");
        return "";
    }
    OpenedRegistryKey key(*m_calls, handle);
    std::string buffer = BlankBuffer(kRemoteBufferLength);
    auto size = static_cast<std::uint32_t>(buffer.size());
    std::uint32_t type = kRegSz;
    std::string result;
    if (m_calls->QueryValue(key.Handle(), ToRegistryText(valueName), type, buffer.data(), size) !=
        kRegistrySuccess) {
        m_showMessage("Cannot query value '" + valueName + "'.");
    } else {
        // Not cut at the NUL: whoever shows the result shows the text before it.
        result = FromRegistryText(buffer);
    }
    if (key.Close() != kRegistrySuccess) {
        m_showMessage("Cannot close key '" + std::to_string(handle) + "'.");
    }
    return result;
}

std::string RemoteRegistry::GetRemoteRegistryValue(const std::string& machineName, const std::string& keyPath,
                                                   const std::string& valueName) {
    try {
        if (ConnectRemoteRegistry(machineName) != 0) {
            // Only "InstallDir", the value the folder search tries last, is worth asking the
            // user to read on the machine and type in.
            if (valueName == kInstallDirValue) {
                m_showMessage("Please enter the value of the following registry key '" + keyPath + "\\" +
                              valueName + "' on the machine '" + machineName + "'.");
            }
            return kUnreachableMarker;
        }
        return QueryRemoteRegistryValue(keyPath, valueName);
    } catch (const std::exception&) {
        return kUnreachableMarker;
    }
}

}  // namespace synvora
