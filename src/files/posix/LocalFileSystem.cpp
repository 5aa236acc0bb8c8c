#include "LocalFileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

#include "LocalCopy.h"
#include "LocalDestination.h"
#include "LocalIo.h"
#include "PendingFile.h"
#include "files/CopyPlan.h"
#include "files/ErrorCodes.h"
#include "files/PlatformErrors.h"

namespace synvora {
namespace {

constexpr mode_t kOwnerReadWrite = S_IRUSR | S_IWUSR;

bool StatPath(const std::string& path, struct stat& info) {
    return !path.empty() && ::stat(path.c_str(), &info) == 0;
}

struct DirCloser {
    void operator()(DIR* dir) const noexcept { ::closedir(dir); }
};

class LocalFileReader final : public FileReader {
public:
    explicit LocalFileReader(const std::string& path) : m_fd(OpenOrThrow(path, O_RDONLY | O_NONBLOCK)) {
        struct stat info {};
        if (::fstat(m_fd.Get(), &info) != 0) {
            ThrowPlatformError(errno);
        }
        if (!S_ISREG(info.st_mode)) {
            ThrowPlatformError(S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
        }
        m_permissions = info.st_mode & 0777;
    }

    std::size_t Read(std::span<char> buffer) override {
        std::size_t filled = 0;
        while (filled < buffer.size()) {
            const ssize_t got = ::read(m_fd.Get(), buffer.data() + filled, buffer.size() - filled);
            if (got < 0) {
                if (errno == EINTR) {
                    continue;
                }
                ThrowPlatformError(errno);
            }
            if (got == 0) {
                break;
            }
            filled += static_cast<std::size_t>(got);
        }
        return filled;
    }

    unsigned Permissions() const override { return m_permissions; }

    void StartAt(std::uint64_t offset) override {
        if (::lseek(m_fd.Get(), static_cast<off_t>(offset), SEEK_SET) < 0) {
            ThrowPlatformError(errno);
        }
    }

    FileStamp CurrentStamp() override {
        struct stat info {};
        if (::fstat(m_fd.Get(), &info) != 0) {
            ThrowPlatformError(errno);
        }
        return {static_cast<std::uint64_t>(info.st_size), ModificationTimeOf(info)};
    }

private:
    UniqueFd m_fd;
    unsigned m_permissions = 0;
};

}  // namespace

LocalFileSystem::LocalFileSystem(std::string rootFolder) : m_rootFolder(std::move(rootFolder)) {}

std::string LocalFileSystem::Resolve(const std::string& path) const {
    if (m_rootFolder.empty()) {
        return path;
    }
    if (!path.empty() && path.front() == '/') {
        return m_rootFolder + path;
    }
    return m_rootFolder + "/" + path;
}

bool LocalFileSystem::FileExists(const std::string& path) {
    struct stat info {};
    return StatPath(Resolve(path), info) && S_ISREG(info.st_mode);
}

bool LocalFileSystem::FolderExists(const std::string& path) {
    struct stat info {};
    return StatPath(Resolve(path), info) && S_ISDIR(info.st_mode);
}

void LocalFileSystem::CreateFolder(const std::string& path) {
    CreateLocalFolder(Resolve(path));
}

void LocalFileSystem::CopyFile(const std::string& source, const std::string& destination, bool overwrite) {
    CopyLocalFile(Resolve(source), Resolve(destination), overwrite);
}

void LocalFileSystem::CopyFolder(const std::string& source, const std::string& destination,
                                 const FolderCopyOptions& options) {
    // The totals cost a listing pass that only a watched copy needs.
    CopyTotals totals;
    if (options.monitor != nullptr) {
        const auto folder = Inspect(source);
        const CopyPlan plan =
            PlanFolderCopy(*this, source, folder ? folder->identity : FolderIdentity{}, options.monitor);
        if (plan.stopped) {
            ThrowPlatformErrorNumber(PlatformError::kUserInterrupt);
        }
        totals = plan.totals;
    }
    CopyLocalFolder(Resolve(source), Resolve(destination), options, totals);
}

int LocalFileSystem::Attributes(const std::string& path) {
    const std::string resolved = Resolve(path);
    struct stat info {};
    if (resolved.empty() || ::stat(resolved.c_str(), &info) != 0) {
        ThrowPlatformError(resolved.empty() ? ENOENT : errno);
    }
    return AttributesOf(info);
}

std::optional<PathInfo> LocalFileSystem::Inspect(const std::string& path) {
    const std::string resolved = Resolve(path);
    struct stat info {};
    if (resolved.empty()) {
        return std::nullopt;
    }
    if (::stat(resolved.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return std::nullopt;
        }
        ThrowPlatformError(errno);
    }
    PathInfo result{AttributesOf(info), {}, 0, {}};
    if (S_ISDIR(info.st_mode)) {
        result.identity = IdentityOf(info);
    } else {
        result.size = static_cast<std::uint64_t>(info.st_size);
        result.modified = ModificationTimeOf(info);
    }
    return result;
}

std::vector<FolderEntry> LocalFileSystem::ListFolder(const std::string& path) {
    const std::string resolved = Resolve(path);
    const std::unique_ptr<DIR, DirCloser> dir(resolved.empty() ? nullptr : ::opendir(resolved.c_str()));
    if (!dir) {
        ThrowPlatformError(resolved.empty() ? ENOENT : errno);
    }
    const int fd = ::dirfd(dir.get());
    std::vector<FolderEntry> entries;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir.get());
        if (entry == nullptr) {
            if (errno != 0) {
                ThrowPlatformError(errno);
            }
            return entries;
        }
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        struct stat info {};
        if (::fstatat(fd, entry->d_name, &info, 0) != 0) {
            entries.push_back(
                FolderEntry::File(std::string(name), 0, {}, false));  // a link that leads nowhere
        } else if (S_ISDIR(info.st_mode)) {
            entries.push_back(FolderEntry::Folder(std::string(name), IdentityOf(info)));
        } else if (S_ISREG(info.st_mode)) {
            entries.push_back(FolderEntry::File(std::string(name), static_cast<std::uint64_t>(info.st_size),
                                                ModificationTimeOf(info), (info.st_mode & S_IWUSR) == 0));
        }
    }
}

std::unique_ptr<FileReader> LocalFileSystem::OpenForReading(const std::string& path) {
    return std::make_unique<LocalFileReader>(Resolve(path));
}

std::unique_ptr<FileWriter> LocalFileSystem::CreateFileWriter(const std::string& path) {
    const auto [folder, name] = SplitFolderAndName(Resolve(path));
    return CreateLocalFileWriter(OpenFolderHandle(folder), name);
}

std::shared_ptr<FileSystem> LocalFileSystem::OpenSession() {
    return std::make_shared<LocalFileSystem>(m_rootFolder);
}

std::unique_ptr<DestinationFolder> LocalFileSystem::OpenDestinationFolder(const std::string& path) {
    return std::make_unique<LocalDestinationFolder>(OpenDestinationHandle(Resolve(path)));
}

std::string LocalFileSystem::ReadFile(const std::string& path) {
    const UniqueFd fd = OpenOrThrow(Resolve(path), O_RDONLY);
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
    const std::string resolved = Resolve(path);
    struct stat existing {};
    const bool exists = StatPath(resolved, existing);
    if (exists && !S_ISREG(existing.st_mode)) {
        ThrowPlatformError(EISDIR);
    }
    // A read-only file refuses to be rewritten, as on the system the program comes from; the
    // check is ours because root ignores permission bits.
    if (exists && (existing.st_mode & S_IWUSR) == 0) {
        ThrowPlatformError(EACCES);
    }
    const auto [folder, name] = SplitFolderAndName(resolved);
    const UniqueFd folderFd = OpenFolderHandle(folder);
    // The new content keeps the old file's permissions; a new file gets the usual ones.
    PendingFile pending(folderFd.Get(), name, exists ? (existing.st_mode & 07777) : (0666 & ~ProcessUmask()));
    WriteAll(pending.Fd(), content);
    // A rewritten script or log must survive a crash right after the call, so this one is synced.
    pending.Sync();
    pending.Commit(true);
}

void LocalFileSystem::CreateEmptyFile(const std::string& path) {
    OpenOrThrow(Resolve(path), O_WRONLY | O_CREAT | O_TRUNC, 0666);
}

void LocalFileSystem::AppendToFile(const std::string& path, std::string_view content) {
    const UniqueFd fd = OpenOrThrow(Resolve(path), O_WRONLY | O_APPEND);
    WriteAll(fd.Get(), content);
}

void LocalFileSystem::RestrictToOwner(const std::string& path) {
    const std::string resolved = Resolve(path);
    if (resolved.empty()) {
        ThrowPlatformError(ENOENT);
    }
    // O_NOFOLLOW: a symbolic link is not opened, so no file it leads to is changed.
    const UniqueFd existing(
        ::open(resolved.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (existing.Valid()) {
        struct stat info {};
        if (::fstat(existing.Get(), &info) != 0) {
            ThrowPlatformError(errno);
        }
        if (S_ISDIR(info.st_mode)) {
            ThrowPlatformError(EISDIR);
        }
        // A second name of the same file would let its other owner read what goes in.
        if (S_ISREG(info.st_mode) && info.st_nlink == 1) {
            if (::fchmod(existing.Get(), kOwnerReadWrite) != 0) {
                ThrowPlatformError(errno);
            }
            return;
        }
    } else if (errno != ENOENT && errno != ELOOP && errno != EACCES) {
        ThrowPlatformError(errno);
    }
    if (::unlink(resolved.c_str()) != 0 && errno != ENOENT) {
        ThrowPlatformError(errno);
    }
    // O_EXCL: a file or link that appears meanwhile is not taken over.
    const UniqueFd fd = OpenOrThrow(resolved, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, kOwnerReadWrite);
    // The creation mask may have taken the owner's bits; the file is to be usable by its owner.
    if (::fchmod(fd.Get(), kOwnerReadWrite) != 0) {
        ThrowPlatformError(errno);
    }
}

}  // namespace synvora
