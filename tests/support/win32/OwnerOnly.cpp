#include "support/OwnerOnly.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "files/win32/UniqueHandle.h"
#include "files/win32/WindowsApi.h"
#include "support/TempDir.h"

// After the program's headers: <windows.h> would rename their CopyFile and ReplaceFile
// (files/win32/WindowsApi.h).
#include <aclapi.h>

namespace synvora::test {
namespace {

// Wine keeps no DACL of a file: it accepts the call and answers with entries of its own making, so
// only a real Windows host can show the protected single entry.
bool RunningUnderWine() {
    return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

}  // namespace

void ExpectOwnerOnly(const std::string& path) {
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(::GetNamedSecurityInfoW(FsPath(path).c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                      nullptr, nullptr, &dacl, nullptr, &descriptor),
              static_cast<DWORD>(ERROR_SUCCESS))
        << path;
    const std::unique_ptr<void, decltype(&::LocalFree)> ownedDescriptor(descriptor, &::LocalFree);
    ASSERT_NE(dacl, nullptr) << path << ": no DACL lets everyone in";
    if (RunningUnderWine()) {
        GTEST_LOG_(INFO) << path << ": Wine keeps no DACL, the entries are not checked";
        return;
    }
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ::GetSecurityDescriptorControl(descriptor, &control, &revision);
    EXPECT_NE(control & SE_DACL_PROTECTED, 0) << path << ": the folder's entries are inherited";
    ASSERT_EQ(dacl->AceCount, 1) << path;
    ACCESS_ALLOWED_ACE* ace = nullptr;
    ASSERT_TRUE(::GetAce(dacl, 0, reinterpret_cast<void**>(&ace)));
    EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);

    HANDLE token = nullptr;
    ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token));
    const UniqueHandle ownedToken(token);
    std::vector<BYTE> user(256);
    DWORD size = 0;
    ASSERT_TRUE(::GetTokenInformation(token, TokenUser, user.data(), static_cast<DWORD>(user.size()), &size));
    EXPECT_TRUE(::EqualSid(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &ace->SidStart)) << path;
}

void LetOthersRead(const std::string& path) {
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(::GetNamedSecurityInfoW(FsPath(path).c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                      nullptr, nullptr, &dacl, nullptr, &descriptor),
              static_cast<DWORD>(ERROR_SUCCESS))
        << path;
    const std::unique_ptr<void, decltype(&::LocalFree)> ownedDescriptor(descriptor, &::LocalFree);
    wchar_t everyone[] = L"Everyone";
    EXPLICIT_ACCESSW entry{};
    entry.grfAccessPermissions = GENERIC_READ;
    entry.grfAccessMode = GRANT_ACCESS;
    entry.grfInheritance = NO_INHERITANCE;
    entry.Trustee.TrusteeForm = TRUSTEE_IS_NAME;
    entry.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    entry.Trustee.ptstrName = everyone;
    PACL widened = nullptr;
    ASSERT_EQ(::SetEntriesInAclW(1, &entry, dacl, &widened), static_cast<DWORD>(ERROR_SUCCESS)) << path;
    const std::unique_ptr<void, decltype(&::LocalFree)> ownedAcl(widened, &::LocalFree);
    std::wstring name = FsPath(path).wstring();
    ASSERT_EQ(::SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                      nullptr, widened, nullptr),
              static_cast<DWORD>(ERROR_SUCCESS))
        << path;
}

}  // namespace synvora::test
