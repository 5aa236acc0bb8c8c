#include "LocalFileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "PlatformErrors.h"
#include "UniqueFd.h"

namespace synvora {
namespace {

bool StatPath(const std::string& path, struct stat& info) {
    return !path.empty() && ::stat(path.c_str(), &info) == 0;
}

UniqueFd OpenOrThrow(const std::string& path, int flags, mode_t mode = 0) {
    if (path.empty()) {
        ThrowPlatformError(ENOENT);
    }
    UniqueFd fd(::open(path.c_str(), flags | O_CLOEXEC, mode));
    if (!fd.Valid()) {
        ThrowPlatformError(errno);
    }
    return fd;
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

mode_t CurrentUmask() {
    // umask() can only be read by setting it; do so once, before any other thread exists.
    static const mode_t mask = [] {
        const mode_t old = ::umask(022);
        ::umask(old);
        return old;
    }();
    return mask;
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

bool LocalFileSystem::FileExists(const std::string& path) {
    struct stat info {};
    return StatPath(path, info) && S_ISREG(info.st_mode);
}

bool LocalFileSystem::FolderExists(const std::string& path) {
    struct stat info {};
    return StatPath(path, info) && S_ISDIR(info.st_mode);
}

int LocalFileSystem::Attributes(const std::string& path) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0) {
        ThrowPlatformError(path.empty() ? ENOENT : errno);
    }
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

std::string LocalFileSystem::ReadFile(const std::string& path) {
    const UniqueFd fd = OpenOrThrow(path, O_RDONLY);
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0) {
        ThrowPlatformError(errno);
    }
    if (S_ISDIR(info.st_mode)) {
        ThrowPlatformError(EISDIR);
    }
    std::string content;
    content.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd.Get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            ThrowPlatformError(errno);
        }
        if (got == 0) {
            break;
        }
        content.append(buffer, static_cast<std::size_t>(got));
    }
    return content;
}

void LocalFileSystem::ReplaceFile(const std::string& path, std::string_view content) {
    struct stat existing {};
    const bool exists = StatPath(path, existing);
    if (exists && !S_ISREG(existing.st_mode)) {
        ThrowPlatformError(EISDIR);
    }
    // A read-only file refuses to be rewritten, as on the system the program comes from; the
    // check is ours because root ignores permission bits.
    if (exists && (existing.st_mode & S_IWUSR) == 0) {
        ThrowPlatformError(EACCES);
    }
    std::string temporary = FolderOf(path) + "/.synvora-XXXXXX";
    UniqueFd fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!fd.Valid()) {
        ThrowPlatformError(errno);
    }
    try {
        // The new content keeps the old file's permissions; mkostemp created it 0600.
        const mode_t mode = exists ? (existing.st_mode & 07777) : (0666 & ~CurrentUmask());
        if (::fchmod(fd.Get(), mode) != 0) {
            ThrowPlatformError(errno);
        }
        WriteAll(fd.Get(), content);
        if (::fsync(fd.Get()) != 0) {
            ThrowPlatformError(errno);
        }
        if (::close(fd.Release()) != 0) {
            ThrowPlatformError(errno);
        }
        if (::rename(temporary.c_str(), path.c_str()) != 0) {
            ThrowPlatformError(errno);
        }
    } catch (...) {
        ::unlink(temporary.c_str());
        throw;
    }
}

void LocalFileSystem::CreateEmptyFile(const std::string& path) {
    OpenOrThrow(path, O_WRONLY | O_CREAT | O_TRUNC, 0666);
}

void LocalFileSystem::AppendToFile(const std::string& path, std::string_view content) {
    const UniqueFd fd = OpenOrThrow(path, O_WRONLY | O_APPEND);
    WriteAll(fd.Get(), content);
}

}  // namespace synvora

namespace synvora {

// Placeholders until the copy layer lands.
void LocalFileSystem::CreateFolder(const std::string& /*path*/) {
    ThrowPlatformError(ENOSYS);
}
void LocalFileSystem::CopyFile(const std::string& /*source*/, const std::string& /*destination*/,
                               bool /*overwrite*/) {
    ThrowPlatformError(ENOSYS);
}
void LocalFileSystem::CopyFolder(const std::string& /*source*/, const std::string& /*destination*/,
                                 bool /*overwrite*/) {
    ThrowPlatformError(ENOSYS);
}

}  // namespace synvora
