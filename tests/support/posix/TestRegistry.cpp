// The test's registry on Linux: the ".reg" file that the program reads in place of the registry.

#include "support/TestRegistry.h"

#include <cstdio>

#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

namespace synvora::test {
namespace {

std::string Section(const std::string& key) {
    return "[HKEY_LOCAL_MACHINE\\" + key + "]\r\n";
}

std::string ValueName(const std::string& name) {
    if (name.empty()) {
        return "@";
    }
    std::string quoted = "\"";
    for (const char c : name) {
        if (c == '\\' || c == '"') {
            quoted += '\\';
        }
        quoted += c;
    }
    return quoted + "\"";
}

std::string HexData(std::uint32_t type, const std::string& bytes) {
    std::string data = "hex(" + std::to_string(type) + "):";
    char digits[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned char>(bytes[i]));
        data += (i == 0 ? "" : ",") + std::string(digits);
    }
    return data;
}

}  // namespace

/// The export file, with every change appended as the sections that make it.
class TestRegistry::Store {
public:
    Store() : m_variable("SYNVORA_REGISTRY", m_dir / "HKLM.reg") { Write(); }

    void Add(const std::string& lines) {
        m_body += lines + "\r\n";
        Write();
    }

private:
    void Write() { WriteBytes(m_dir / "HKLM.reg", "Windows Registry Editor Version 5.00\r\n\r\n" + m_body); }

    TempDir m_dir;
    ScopedEnvironmentVariable m_variable;
    std::string m_body;
};

TestRegistry::TestRegistry() : m_store(std::make_unique<Store>()) {}

TestRegistry::~TestRegistry() = default;

void TestRegistry::CreateKey(const std::string& key) {
    m_store->Add(Section(key));
}

void TestRegistry::DeleteKey(const std::string& key) {
    m_store->Add("[-HKEY_LOCAL_MACHINE\\" + key + "]\r\n");
}

void TestRegistry::SetString(const std::string& key, const std::string& name, const std::string& text) {
    SetValue(key, name, 1, Utf16Le(text) + std::string(2, '\0'));
}

void TestRegistry::SetValue(const std::string& key, const std::string& name, std::uint32_t type,
                            const std::string& bytes) {
    m_store->Add(Section(key) + ValueName(name) + "=" + HexData(type, bytes) + "\r\n");
}

void TestRegistry::DeleteValue(const std::string& key, const std::string& name) {
    m_store->Add(Section(key) + ValueName(name) + "=-\r\n");
}

}  // namespace synvora::test
