#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "webmigration/RegistryCalls.h"
#include "webmigration/RegistryHandles.h"
#include "webmigration/posix/RegistryTree.h"

namespace synvora {

/// Where this machine's registry file is read: the file named by the environment variable
/// SYNVORA_REGISTRY, else "/etc/synvora/HKLM.reg". Looked up on every call.
std::string LocalRegistryFilePath();

/// This machine's host name up to its first dot, in upper case: the computer name the registry
/// answers with when its file names none. "" when the host name cannot be read.
std::string HostComputerName();

/// The HKEY_LOCAL_MACHINE of this machine on Linux, where no registry exists: a base that holds
/// the computer name (HostComputerName), with a registry export file imported over it
/// (RegFileImport.h). A file that is missing, unreadable or not an export adds nothing, which is
/// a machine without the web server product; a file that removes the computer name key or value
/// takes the host name away too.
///
/// The file is read again each time a key is opened below the root, so every reader sees the
/// file as it is then. A handle keeps the content that was read when it was opened. Only reading
/// is offered: an open that asks for more than read rights is refused with kRegistryAccessDenied.
class FileRegistry final : public RegistryCalls {
public:
    /// Only the first this many bytes of the file are read: a registry of this program is a few
    /// kilobytes, and a huge file must not take the memory.
    static constexpr std::size_t kMaxFileBytes = 8u << 20;

    /// The file path is asked of filePath at each read.
    explicit FileRegistry(std::function<std::string()> filePath);

    std::int32_t OpenKey(RegistryHandle key, std::string_view subKey, std::uint32_t options,
                         std::uint32_t desiredAccess, RegistryHandle& result) override;
    std::int32_t QueryValue(RegistryHandle key, std::string_view valueName, std::uint32_t& type, char* data,
                            std::uint32_t& size) override;
    std::int32_t CloseKey(RegistryHandle key) override;

    /// Reads the file now: the tree that the next open of the root would see.
    std::shared_ptr<const RegistryTree> Load() const;

private:
    struct OpenKeyEntry {
        std::shared_ptr<const RegistryTree> tree;
        const RegistryTree::Key* key = nullptr;
    };

    // The key behind a handle; a root handle reads the file. Null key for an unknown handle.
    OpenKeyEntry Resolve(RegistryHandle key) const;

    std::function<std::string()> m_filePath;
    std::mutex m_mutex;
    std::map<RegistryHandle, OpenKeyEntry> m_open;
    RegistryHandleCounter m_handles;
};

}  // namespace synvora
