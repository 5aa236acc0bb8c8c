#include "FileRegistry.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "files/Encoding.h"
#include "files/posix/UniqueFd.h"
#include "webmigration/Registry.h"
#include "webmigration/posix/RegFileImport.h"

namespace synvora {
namespace {

constexpr const char* kRegistryFileVariable = "SYNVORA_REGISTRY";
constexpr const char* kDefaultRegistryFile = "/etc/synvora/HKLM.reg";
constexpr std::string_view kComputerNameKey =
    "SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName";
constexpr std::string_view kComputerNameValue = "ComputerName";

// Rights that only read: query value, enumerate subkeys, notify, and the standard read right.
constexpr std::uint32_t kReadRights = 0x0001 | 0x0008 | 0x0010 | 0x00020000;

// Up to maxBytes of the file; nothing when it cannot be opened or read.
std::optional<std::string> ReadFileHead(const std::string& path, std::size_t maxBytes) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.Valid()) {
        return std::nullopt;
    }
    std::string content;
    char chunk[64 * 1024];
    while (content.size() < maxBytes) {
        const ssize_t count = ::read(fd.Get(), chunk, std::min(sizeof chunk, maxBytes - content.size()));
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            return std::nullopt;
        }
        if (count == 0) {
            break;
        }
        content.append(chunk, static_cast<std::size_t>(count));
    }
    return content;
}

std::string_view UpToNul(std::string_view name) {
    return name.substr(0, name.find('\0'));
}

}  // namespace

std::string LocalRegistryFilePath() {
    const char* path = std::getenv(kRegistryFileVariable);
    return path != nullptr && *path != '\0' ? std::string(path) : std::string(kDefaultRegistryFile);
}

std::string HostComputerName() {
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) != 0) {
        return {};
    }
    std::string name(host, ::strnlen(host, sizeof host));
    name.resize(std::min(name.size(), name.find('.')));
    for (char& c : name) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 0x20);
        }
    }
    return name;
}

FileRegistry::FileRegistry(std::function<std::string()> filePath) : m_filePath(std::move(filePath)) {}

std::shared_ptr<const RegistryTree> FileRegistry::Load() const {
    auto tree = std::make_shared<RegistryTree>();
    const std::string computerName = HostComputerName();
    if (!computerName.empty()) {
        RegistryTree::Key* key = tree->Create(kComputerNameKey);
        std::string data = Utf8ToAnsi(computerName);
        data.push_back('\0');
        tree->SetValue(*key, kComputerNameValue, {kRegSz, std::move(data)});
    }
    if (const auto content = ReadFileHead(m_filePath(), kMaxFileBytes)) {
        ImportRegFile(*content, *tree);
    }
    return tree;
}

FileRegistry::OpenKeyEntry FileRegistry::Resolve(RegistryHandle key) const {
    if (key == kHKeyLocalMachine) {
        auto tree = Load();
        const RegistryTree::Key* root = &tree->Root();
        return {std::move(tree), root};
    }
    const auto it = m_open.find(key);
    return it == m_open.end() ? OpenKeyEntry{} : it->second;
}

std::int32_t FileRegistry::OpenKey(RegistryHandle key, std::string_view subKey, std::uint32_t /*options*/,
                                   std::uint32_t desiredAccess, RegistryHandle& result) {
    std::lock_guard lock(m_mutex);
    if ((desiredAccess & ~kReadRights) != 0) {
        return kRegistryAccessDenied;
    }
    OpenKeyEntry parent = Resolve(key);
    if (parent.key == nullptr) {
        return kRegistryInvalidHandle;
    }
    const RegistryTree::Key* found = parent.key;
    const auto names = RegistryTree::SplitPath(UpToNul(subKey));
    if (!names) {
        return kRegistryNotFound;
    }
    for (const std::string_view name : *names) {
        found = found->FindChild(name);
        if (found == nullptr) {
            return kRegistryNotFound;
        }
    }
    result = m_handles.Next([this](RegistryHandle handle) { return m_open.contains(handle); });
    m_open.emplace(result, OpenKeyEntry{std::move(parent.tree), found});
    return kRegistrySuccess;
}

std::int32_t FileRegistry::QueryValue(RegistryHandle key, std::string_view valueName, std::uint32_t& type,
                                      char* data, std::uint32_t& size) {
    std::lock_guard lock(m_mutex);
    const OpenKeyEntry entry = Resolve(key);
    if (entry.key == nullptr) {
        return kRegistryInvalidHandle;
    }
    const RegistryTree::Value* value = entry.key->FindValue(UpToNul(valueName));
    if (value == nullptr) {
        return kRegistryNotFound;
    }
    const std::uint32_t capacity = size;
    type = value->type;
    size = static_cast<std::uint32_t>(value->data.size());
    if (data == nullptr) {
        return kRegistrySuccess;
    }
    if (value->data.size() > capacity) {
        return kRegistryMoreData;
    }
    std::copy(value->data.begin(), value->data.end(), data);
    return kRegistrySuccess;
}

std::int32_t FileRegistry::CloseKey(RegistryHandle key) {
    std::lock_guard lock(m_mutex);
    if (key == kHKeyLocalMachine) {
        return kRegistrySuccess;
    }
    return m_open.erase(key) == 1 ? kRegistrySuccess : kRegistryInvalidHandle;
}

// This machine's registry: a FileRegistry on LocalRegistryFilePath().
RegistryCalls& LocalRegistry() {
    static FileRegistry registry(LocalRegistryFilePath);
    return registry;
}

}  // namespace synvora
