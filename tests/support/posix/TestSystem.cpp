// What the tests do on Linux itself.

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>

#include "support/FileTree.h"
#include "support/TempDir.h"

namespace synvora::test {

bool RunningAsRoot() {
    return ::geteuid() == 0;
}

std::string MakeTemporaryFolder(std::string_view prefix) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    return pattern;
}

void MakeReadOnly(const std::string& path) {
    if (::chmod(path.c_str(), 0444) != 0) {
        throw std::runtime_error("cannot make " + path + " read-only");
    }
}

int PermissionsOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return -1;
    }
    return static_cast<int>(info.st_mode & 0777);
}

}  // namespace synvora::test
