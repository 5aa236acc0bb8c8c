// The test's registry on Windows: HKEY_LOCAL_MACHINE of the test run's Wine prefix, written with the
// registry API and put back as it was at the end.

#include "support/TestRegistry.h"

#include <optional>
#include <stdexcept>
#include <vector>

#include "files/win32/WideText.h"
#include "files/win32/WindowsApi.h"

namespace synvora::test {
namespace {

struct Value {
    DWORD type = REG_NONE;
    std::string bytes;
};

void Check(LSTATUS status, const std::string& what) {
    if (status != ERROR_SUCCESS) {
        throw std::runtime_error("registry: cannot " + what + " (" + std::to_string(status) + ")");
    }
}

bool KeyExists(const std::wstring& key) {
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) {
        return false;
    }
    ::RegCloseKey(opened);
    return true;
}

std::optional<Value> ReadValue(const std::wstring& key, const std::wstring& name) {
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type,
                       nullptr, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::string bytes(size, '\0');
    Check(::RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type,
                         bytes.data(), &size),
          "read a value");
    bytes.resize(size);
    return Value{type, std::move(bytes)};
}

void WriteValue(const std::wstring& key, const std::wstring& name, const std::optional<Value>& value) {
    HKEY opened = nullptr;
    Check(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &opened,
                            nullptr),
          "create a key");
    const LSTATUS status = value ? ::RegSetValueExW(opened, name.c_str(), 0, value->type,
                                                    reinterpret_cast<const BYTE*>(value->bytes.data()),
                                                    static_cast<DWORD>(value->bytes.size()))
                                 : ::RegDeleteValueW(opened, name.c_str());
    ::RegCloseKey(opened);
    if (value || status != ERROR_FILE_NOT_FOUND) {
        Check(status, "write a value");
    }
}

}  // namespace

/// What the test changed, to be put back: the topmost keys it created, the values it changed
/// outside them.
class TestRegistry::Store {
public:
    ~Store() {
        for (auto value = m_changed.rbegin(); value != m_changed.rend(); ++value) {
            try {
                WriteValue(value->key, value->name, value->before);
            } catch (const std::exception&) {
                // Nothing better to do at the end of a test; the prefix is thrown away after the run.
            }
        }
        for (const std::wstring& key : m_created) {
            ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
        }
    }

    /// Creates the key, noting the first of its keys that did not exist before.
    void Create(const std::wstring& key) {
        for (std::size_t end = 0; end != std::wstring::npos;) {
            end = key.find(L'\\', end + 1);
            const std::wstring upper = key.substr(0, end);
            if (!KeyExists(upper)) {
                m_created.push_back(upper);
                break;
            }
        }
        HKEY opened = nullptr;
        Check(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_QUERY_VALUE, nullptr,
                                &opened, nullptr),
              "create a key");
        ::RegCloseKey(opened);
    }

    void Delete(const std::wstring& key) {
        // Only what the test made itself: the machine's own keys could not be put back.
        if (!Created(key)) {
            throw std::logic_error("TestRegistry::DeleteKey: not a key of the test");
        }
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
    }

    void Set(const std::wstring& key, const std::wstring& name, const std::optional<Value>& value) {
        Create(key);
        if (!Created(key)) {
            m_changed.push_back({key, name, ReadValue(key, name)});
        }
        WriteValue(key, name, value);
    }

private:
    struct Change {
        std::wstring key;
        std::wstring name;
        std::optional<Value> before;
    };

    bool Created(const std::wstring& key) const {
        for (const std::wstring& created : m_created) {
            const bool below =
                key.size() >= created.size() &&
                ::CompareStringOrdinal(key.c_str(), static_cast<int>(created.size()), created.c_str(),
                                       static_cast<int>(created.size()), TRUE) == CSTR_EQUAL &&
                (key.size() == created.size() || key[created.size()] == L'\\');
            if (below) {
                return true;
            }
        }
        return false;
    }

    std::vector<std::wstring> m_created;
    std::vector<Change> m_changed;
};

TestRegistry::TestRegistry() : m_store(std::make_unique<Store>()) {}

TestRegistry::~TestRegistry() = default;

void TestRegistry::CreateKey(const std::string& key) {
    m_store->Create(Utf8ToWide(key));
}

void TestRegistry::DeleteKey(const std::string& key) {
    m_store->Delete(Utf8ToWide(key));
}

void TestRegistry::SetString(const std::string& key, const std::string& name, const std::string& text) {
    SetValue(key, name, REG_SZ, Utf16Le(text) + std::string(2, '\0'));
}

void TestRegistry::SetValue(const std::string& key, const std::string& name, std::uint32_t type,
                            const std::string& bytes) {
    m_store->Set(Utf8ToWide(key), Utf8ToWide(name), Value{type, bytes});
}

void TestRegistry::DeleteValue(const std::string& key, const std::string& name) {
    m_store->Set(Utf8ToWide(key), Utf8ToWide(name), std::nullopt);
}

}  // namespace synvora::test
