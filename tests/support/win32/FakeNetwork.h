#pragma once

#include <string>
#include <vector>

#include "network/NetworkCredentials.h"
#include "network/win32/WNetCalls.h"

namespace synvora::test {

/// The system's two networking calls answered, for as long as it lives, as a Windows network with
/// one old server would answer them (Wine has no network to answer them): the share "D$" of
/// `server` connects, for `login` only, to the test run's drive Y: (TestDrive), which then holds
/// the server's drive D:. Every call is noted with what it was given.
class FakeNetwork final : public WNetCalls {
public:
    struct Use {
        NETRESOURCEW resource;  // its strings point nowhere after the call
        std::wstring remoteName;
        std::wstring password;
        std::wstring user;
        DWORD flags;
        DWORD bufferSize;
        DWORD status;
    };
    struct Cancel {
        std::wstring name;
        DWORD flags;
        BOOL force;
    };

    FakeNetwork(std::string server, NetworkCredentials login);

    DWORD UseConnection(NETRESOURCEW& resource, const wchar_t* password, const wchar_t* user, DWORD flags,
                        wchar_t* accessName, DWORD& bufferSize, DWORD& result) override;
    DWORD CancelConnection(const wchar_t* name, DWORD flags, BOOL force) override;

    std::vector<Use> uses;
    std::vector<Cancel> cancels;
    /// What a cancel of the connected drive answers: 0, or ERROR_OPEN_FILES while files are open.
    DWORD cancelStatus = NO_ERROR;
    /// What a connection reports back besides its success.
    std::wstring accessName = L"Y:";
    DWORD resultFlags = CONNECT_LOCALDRIVE;
    bool connected = false;

private:
    std::wstring m_server;
    NetworkCredentials m_login;
    ScopedWNetCalls m_installed;
};

}  // namespace synvora::test
