// What the tests do on Windows itself.

#include <filesystem>
#include <random>
#include <stdexcept>

#include "files/win32/WindowsApi.h"
#include "support/TempDir.h"

namespace synvora::test {

bool RunningAsRoot() {
    return false;
}

std::string MakeTemporaryFolder(std::string_view prefix) {
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path folder = base / FsPath(std::string(prefix) + "-" + RandomHex(8));
        // Fails for a name that is taken, so that no folder is shared with another test.
        if (::CreateDirectoryW(folder.c_str(), nullptr)) {
            return Utf8Path(folder);
        }
        if (::GetLastError() != ERROR_ALREADY_EXISTS) {
            break;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

void MakeReadOnly(const std::string& path) {
    const std::filesystem::path file = FsPath(path);
    const DWORD attributes = ::GetFileAttributesW(file.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        !::SetFileAttributesW(file.c_str(), attributes | FILE_ATTRIBUTE_READONLY)) {
        throw std::runtime_error("cannot make " + path + " read-only");
    }
}

}  // namespace synvora::test
