#include "support/win32/FakeNetwork.h"

#include "files/win32/WideText.h"

namespace synvora::test {
namespace {

bool SameText(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

std::wstring TextOf(const wchar_t* text) {
    return text != nullptr ? std::wstring(text) : std::wstring();
}

}  // namespace

FakeNetwork::FakeNetwork(std::string server, NetworkCredentials login)
    : m_server(Utf8ToWide(server)), m_login(std::move(login)), m_installed(*this) {}

DWORD FakeNetwork::UseConnection(NETRESOURCEW& resource, const wchar_t* password, const wchar_t* user,
                                 DWORD flags, wchar_t* name, DWORD& bufferSize, DWORD& result) {
    Use use{resource, TextOf(resource.lpRemoteName), TextOf(password), TextOf(user), flags, bufferSize, 0};
    const std::wstring prefix = L"\\\\" + m_server + L"\\";
    if (!SameText(use.remoteName.substr(0, prefix.size()), prefix)) {
        use.status = ERROR_BAD_NETPATH;
    } else if (!SameText(use.remoteName.substr(prefix.size()), L"D$")) {
        use.status = ERROR_BAD_NET_NAME;
    } else if (use.user != Utf8ToWide(m_login.user) || use.password != Utf8ToWide(m_login.password)) {
        use.status = ERROR_LOGON_FAILURE;
    } else if (accessName.size() + 1 > bufferSize) {
        use.status = ERROR_MORE_DATA;
    } else {
        accessName.copy(name, accessName.size());
        name[accessName.size()] = L'\0';
        result = resultFlags;
        connected = true;
    }
    uses.push_back(use);
    return use.status;
}

DWORD FakeNetwork::CancelConnection(const wchar_t* name, DWORD flags, BOOL force) {
    cancels.push_back({TextOf(name), flags, force});
    if (!connected || !SameText(TextOf(name), accessName.substr(0, accessName.find(L':') + 1))) {
        return ERROR_NOT_CONNECTED;
    }
    if (cancelStatus == NO_ERROR || force) {
        connected = false;
        return NO_ERROR;
    }
    return cancelStatus;
}

}  // namespace synvora::test
