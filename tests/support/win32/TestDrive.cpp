#include "support/TestDrive.h"

#include <filesystem>
#include <stdexcept>

#include "files/win32/UniqueHandle.h"
#include "files/win32/WindowsApi.h"
#include "support/TempDir.h"

namespace synvora::test {
namespace {

// Read-only entries would keep the drive from being emptied.
void Empty(const std::filesystem::path& root) {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root, ignored)) {
        ::SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    for (const auto& entry : std::filesystem::directory_iterator(root, ignored)) {
        std::filesystem::remove_all(entry.path(), ignored);
    }
}

}  // namespace

TestDrive::TestDrive() : m_folder(Letter() + "\\") {
    if (::GetFileAttributesW(L"Y:\\") == INVALID_FILE_ATTRIBUTES) {
        throw std::runtime_error("the drive Y: of the test prefix is missing (scripts/wine-prefix)");
    }
    Empty(FsPath(m_folder));
}

TestDrive::~TestDrive() {
    Empty(FsPath(m_folder));
}

std::uint64_t FileIdOf(const std::string& path) {
    const UniqueHandle file(::CreateFileW(FsPath(path).c_str(), FILE_READ_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file.Valid() || !::GetFileInformationByHandle(file.Get(), &info)) {
        return 0;
    }
    return (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
}

}  // namespace synvora::test
