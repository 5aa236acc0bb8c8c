#include "LocalIo.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "files/PlatformErrors.h"

namespace synvora {

UniqueFd OpenOrThrow(const std::string& path, int flags, mode_t mode) {
    if (path.empty()) {
        ThrowPlatformError(ENOENT);
    }
    UniqueFd fd(::open(path.c_str(), flags | O_CLOEXEC, mode));
    if (!fd.Valid()) {
        ThrowPlatformError(errno);
    }
    return fd;
}

UniqueFd OpenFolderHandle(const std::string& path) {
    // O_PATH needs no read permission on the folder: creating and renaming entries only needs
    // write and search permission, as with any path-based call.
    return OpenOrThrow(path, O_PATH | O_DIRECTORY);
}

void WriteAll(int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t written = ::write(fd, content.data(), content.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            ThrowPlatformError(errno);
        }
        content.remove_prefix(static_cast<std::size_t>(written));
    }
}

void WriteAllAt(int fd, std::uint64_t offset, std::string_view content) {
    while (!content.empty()) {
        const ssize_t written = ::pwrite(fd, content.data(), content.size(), static_cast<off_t>(offset));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            ThrowPlatformError(errno);
        }
        content.remove_prefix(static_cast<std::size_t>(written));
        offset += static_cast<std::uint64_t>(written);
    }
}

mode_t ProcessUmask() {
    // umask() can only be read by setting it; do so once, on the first call, while the program
    // still runs on its one thread.
    static const mode_t mask = [] {
        const mode_t old = ::umask(022);
        ::umask(old);
        return old;
    }();
    return mask;
}

std::pair<std::string, std::string> SplitFolderAndName(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return {".", path};
    }
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

int AttributesOf(const struct stat& info) {
    int attributes = 0;
    if ((info.st_mode & S_IWUSR) == 0) {
        attributes |= kAttributeReadOnly;
    }
    if (S_ISDIR(info.st_mode)) {
        attributes |= kAttributeDirectory;
    } else if (S_ISREG(info.st_mode)) {
        attributes |= kAttributeArchive;
    }
    return attributes;
}

FolderIdentity IdentityOf(const struct stat& info) {
    return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

FileTime ModificationTimeOf(const struct stat& info) {
    return {static_cast<std::int64_t>(info.st_mtim.tv_sec), static_cast<std::int64_t>(info.st_mtim.tv_nsec)};
}

void SetModificationTime(int fd, FileTime modified) {
    const struct timespec times[2] = {
        {0, UTIME_OMIT}, {static_cast<time_t>(modified.seconds), static_cast<long>(modified.nanoseconds)}};
    if (::futimens(fd, times) != 0) {
        ThrowPlatformError(errno);
    }
}

}  // namespace synvora
