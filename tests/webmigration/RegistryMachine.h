#pragma once

#include <memory>
#include <string>

namespace synvora::test {

/// The machine whose registry the remote readers read in a test, with values the test writes
/// below its "SOFTWARE\Tressel" (removed at the start and at the end). On Linux the Samba test
/// server, reached with the login of a drive mapped to its share; on Windows this machine, which
/// RegConnectRegistryW reaches by its name as it reaches any other (Wine reaches no other).
class RegistryMachine {
public:
    RegistryMachine();
    RegistryMachine(const RegistryMachine&) = delete;
    RegistryMachine& operator=(const RegistryMachine&) = delete;
    ~RegistryMachine();

    /// As Get Folder names it: "\\" + the server's name.
    std::string Name() const;
    /// A string value of the machine's HKEY_LOCAL_MACHINE.
    void SetValue(const std::string& key, const std::string& name, const std::string& text);
    /// Makes the login that reaches the machine's registry available, as the web server page's
    /// mapped drive does.
    void Connect();

    /// A machine name that no registry answers to.
    static std::string Unreachable();

    class Impl;

private:
    std::unique_ptr<Impl> m_impl;
};

}  // namespace synvora::test
