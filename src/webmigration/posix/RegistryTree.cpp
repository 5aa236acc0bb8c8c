#include "RegistryTree.h"

#include <utility>

namespace synvora {
namespace {

// Windows-1252 upper case: ASCII, the Latin-1 letters (0xE0-0xFE, bar the division sign 0xF7)
// and the four pairs the code page places at 0x8A-0x9F.
char UpperAnsi(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 'a' && byte <= 'z') {
        return static_cast<char>(byte - 0x20);
    }
    if (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7) {
        return static_cast<char>(byte - 0x20);
    }
    switch (byte) {
        case 0x9A:  // s caron
            return static_cast<char>(0x8A);
        case 0x9C:  // oe
            return static_cast<char>(0x8C);
        case 0x9E:  // z caron
            return static_cast<char>(0x8E);
        case 0xFF:  // y diaeresis
            return static_cast<char>(0x9F);
        default:
            return c;
    }
}

}  // namespace

const RegistryTree::Key* RegistryTree::Key::FindChild(std::string_view name) const {
    const auto it = m_children.find(FoldName(name));
    return it == m_children.end() ? nullptr : it->second.get();
}

const RegistryTree::Value* RegistryTree::Key::FindValue(std::string_view name) const {
    const auto it = m_values.find(FoldName(name));
    return it == m_values.end() ? nullptr : &it->second;
}

RegistryTree::RegistryTree() : m_root(std::make_unique<Key>()) {}

std::string RegistryTree::FoldName(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) {
        c = UpperAnsi(c);
    }
    return folded;
}

std::optional<std::vector<std::string_view>> RegistryTree::SplitPath(std::string_view path) {
    std::vector<std::string_view> names;
    if (path.empty()) {
        return names;
    }
    std::size_t start = 0;
    while (true) {
        const std::size_t end = path.find('\\', start);
        const std::string_view name =
            path.substr(start, end == std::string_view::npos ? path.npos : end - start);
        if (name.empty() || name.size() > kMaxKeyNameLength || names.size() == kMaxKeyDepth) {
            return std::nullopt;
        }
        names.push_back(name);
        if (end == std::string_view::npos) {
            return names;
        }
        start = end + 1;
    }
}

const RegistryTree::Key* RegistryTree::Find(std::string_view path) const {
    const auto names = SplitPath(path);
    if (!names) {
        return nullptr;
    }
    const Key* key = m_root.get();
    for (const std::string_view name : *names) {
        key = key->FindChild(name);
        if (key == nullptr) {
            return nullptr;
        }
    }
    return key;
}

RegistryTree::Key* RegistryTree::Create(std::string_view path) {
    const auto names = SplitPath(path);
    if (!names) {
        return nullptr;
    }
    Key* key = m_root.get();
    for (const std::string_view name : *names) {
        std::string folded = FoldName(name);
        const auto it = key->m_children.find(folded);
        if (it != key->m_children.end()) {
            key = it->second.get();
            continue;
        }
        if (m_entries == kMaxEntries) {
            return nullptr;
        }
        ++m_entries;
        key = key->m_children.emplace(std::move(folded), std::make_unique<Key>()).first->second.get();
    }
    return key;
}

void RegistryTree::Remove(std::string_view path) {
    const auto names = SplitPath(path);
    if (!names || names->empty()) {
        return;
    }
    Key* parent = m_root.get();
    for (std::size_t i = 0; i + 1 < names->size(); ++i) {
        const auto it = parent->m_children.find(FoldName((*names)[i]));
        if (it == parent->m_children.end()) {
            return;
        }
        parent = it->second.get();
    }
    // The bound counts what was taken in, not what is left, so removing frees no room.
    parent->m_children.erase(FoldName(names->back()));
}

bool RegistryTree::SetValue(Key& key, std::string_view name, Value value) {
    std::string folded = FoldName(name);
    const auto it = key.m_values.find(folded);
    if (it != key.m_values.end()) {
        it->second = std::move(value);
        return true;
    }
    if (m_entries == kMaxEntries) {
        return false;
    }
    ++m_entries;
    key.m_values.emplace(std::move(folded), std::move(value));
    return true;
}

void RegistryTree::RemoveValue(Key& key, std::string_view name) {
    key.m_values.erase(FoldName(name));
}

}  // namespace synvora
