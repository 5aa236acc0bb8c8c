// The old server of the remote registry tests on Windows: this machine, by its name.

#include "RegistryMachine.h"

#include "files/win32/WideText.h"
#include "files/win32/WindowsApi.h"
#include "support/TestRegistry.h"

namespace synvora::test {

class RegistryMachine::Impl {
public:
    TestRegistry registry;
};

RegistryMachine::RegistryMachine() : m_impl(std::make_unique<Impl>()) {}

RegistryMachine::~RegistryMachine() = default;

std::string RegistryMachine::Name() const {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
    ::GetComputerNameW(name, &length);
    return "\\\\" + WideToUtf8(std::wstring_view(name, length));
}

void RegistryMachine::SetValue(const std::string& key, const std::string& name, const std::string& text) {
    m_impl->registry.SetString(key, name, text);
}

void RegistryMachine::Connect() {
    // The session of this machine is there already.
}

std::string RegistryMachine::Unreachable() {
    return "\\\\OLDWEB";
}

}  // namespace synvora::test
