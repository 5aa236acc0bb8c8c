#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace synvora {

/// One registry hive in memory: keys and their values below a root key. Names and string data
/// are Windows-1252 bytes; names compare without regard to letter case, as on Windows.
///
/// The tree keeps the limits of the Windows registry (key names up to 255 characters, keys up to
/// 512 levels deep) and a bound on the number of keys and values it takes in, so that content
/// read from a file can neither recurse deeply nor grow without end.
class RegistryTree {
public:
    static constexpr std::size_t kMaxKeyNameLength = 255;
    static constexpr std::size_t kMaxKeyDepth = 512;
    static constexpr std::size_t kMaxEntries = 200'000;

    struct Value {
        std::uint32_t type = 0;
        std::string data;
    };

    class Key {
    public:
        const Key* FindChild(std::string_view name) const;
        const Value* FindValue(std::string_view name) const;
        std::size_t ChildCount() const noexcept { return m_children.size(); }
        std::size_t ValueCount() const noexcept { return m_values.size(); }

    private:
        friend class RegistryTree;
        std::map<std::string, std::unique_ptr<Key>, std::less<>> m_children;  // by folded name
        std::map<std::string, Value, std::less<>> m_values;                   // by folded name
    };

    RegistryTree();

    const Key& Root() const noexcept { return *m_root; }

    /// The key at a backslash-separated path below the root ("" is the root), or null.
    const Key* Find(std::string_view path) const;

    /// The key at the path, created with its missing parents; null when the path breaks a limit.
    Key* Create(std::string_view path);

    /// Removes the key at the path with everything below it; the root itself stays.
    void Remove(std::string_view path);

    /// Sets a value of a key ("" names the default value); false when the entry bound is reached.
    bool SetValue(Key& key, std::string_view name, Value value);
    void RemoveValue(Key& key, std::string_view name);

    /// The names of a path, or nothing when a name is empty or too long or the path too deep.
    static std::optional<std::vector<std::string_view>> SplitPath(std::string_view path);

    /// The name with every letter of the code page in upper case: the form names compare in.
    static std::string FoldName(std::string_view name);

private:
    std::unique_ptr<Key> m_root;
    std::size_t m_entries = 0;
};

}  // namespace synvora
