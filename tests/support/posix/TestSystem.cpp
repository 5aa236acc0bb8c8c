// What the tests do on Linux itself.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
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

std::optional<std::string> EnvironmentValue(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    return value == nullptr ? std::nullopt : std::optional<std::string>(value);
}

void SetEnvironmentValue(const std::string& name, const std::optional<std::string>& value) {
    if (value ? ::setenv(name.c_str(), value->c_str(), 1) != 0 : ::unsetenv(name.c_str()) != 0) {
        throw std::runtime_error("cannot set " + name);
    }
}

std::string OwnFolder() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
}

std::string ExecutableSuffix() {
    return {};
}

std::string FullDevice() {
    return "/dev/full";
}

std::string ZeroDevice() {
    return "/dev/zero";
}

std::string TextLineEnd() {
    return "\n";
}

void SetModificationTime(const std::string& path, FileTime modified) {
    const struct timespec times[2] = {{0, UTIME_OMIT}, {modified.seconds, modified.nanoseconds}};
    if (::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) {
        throw std::runtime_error("cannot set the time of " + path);
    }
}

bool MakeLink(const std::string& target, const std::string& link) {
    return ::symlink(target.c_str(), link.c_str()) == 0;
}

bool IsLink(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

int PermissionsOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return -1;
    }
    return static_cast<int>(info.st_mode & 0777);
}

}  // namespace synvora::test
