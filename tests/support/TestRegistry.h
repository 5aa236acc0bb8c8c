#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace synvora::test {

/// This machine's registry as the program reads it (LocalRegistry), written by a test below
/// HKEY_LOCAL_MACHINE. On Linux a ".reg" export file in a folder of its own that SYNVORA_REGISTRY
/// names for the scope, rewritten after each change; on Windows the registry of the test run's
/// Wine prefix itself, written with the registry API. At the end everything written is undone:
/// the keys it created go, the values it changed or removed come back.
class TestRegistry {
public:
    TestRegistry();
    TestRegistry(const TestRegistry&) = delete;
    TestRegistry& operator=(const TestRegistry&) = delete;
    ~TestRegistry();

    /// Creates the key ("SOFTWARE\Corvane\Velmoria\Portivo") and the keys above it.
    void CreateKey(const std::string& key);
    /// Removes a key this registry created, with what is below it.
    void DeleteKey(const std::string& key);
    /// A string value (REG_SZ) holding the UTF-8 text and its terminating NUL; "" names the key's
    /// default value.
    void SetString(const std::string& key, const std::string& name, const std::string& text);
    /// A value of any type holding exactly these bytes, as the registry keeps them (the strings of
    /// REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ in UTF-16LE: see Utf16Le).
    void SetValue(const std::string& key, const std::string& name, std::uint32_t type,
                  const std::string& bytes);
    void DeleteValue(const std::string& key, const std::string& name);

    class Store;

private:
    std::unique_ptr<Store> m_store;
};

/// The UTF-16LE bytes of UTF-8 text, no terminating NUL added.
std::string Utf16Le(const std::string& utf8);

}  // namespace synvora::test
