#include "files/win32/OwnerOnlySecurity.h"

#include <aclapi.h>

#include "files/win32/UniqueHandle.h"
#include "files/win32/Win32Errors.h"

namespace synvora {

OwnerOnlySecurity::OwnerOnlySecurity() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
        ThrowLastWin32Error();
    }
    const UniqueHandle ownedToken(token);
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    m_tokenUser.resize(size);
    if (size == 0 || !::GetTokenInformation(token, TokenUser, m_tokenUser.data(), size, &size)) {
        ThrowLastWin32Error();
    }
    PSID user = reinterpret_cast<TOKEN_USER*>(m_tokenUser.data())->User.Sid;

    m_acl.resize(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + ::GetLengthSid(user));
    auto* acl = reinterpret_cast<ACL*>(m_acl.data());
    if (!::InitializeAcl(acl, static_cast<DWORD>(m_acl.size()), ACL_REVISION) ||
        !::AddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, user) ||
        !::InitializeSecurityDescriptor(&m_descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !::SetSecurityDescriptorDacl(&m_descriptor, TRUE, acl, FALSE) ||
        !::SetSecurityDescriptorControl(&m_descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED)) {
        ThrowLastWin32Error();
    }
    m_attributes.nLength = sizeof m_attributes;
    m_attributes.lpSecurityDescriptor = &m_descriptor;
    m_attributes.bInheritHandle = FALSE;
}

void OwnerOnlySecurity::ApplyTo(HANDLE file) {
    const DWORD status = ::SetSecurityInfo(file, SE_FILE_OBJECT,
                                           DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                           nullptr, nullptr, reinterpret_cast<ACL*>(m_acl.data()), nullptr);
    if (status != ERROR_SUCCESS) {
        ThrowWin32Error(status);
    }
}

}  // namespace synvora
