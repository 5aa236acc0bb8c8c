#include "LocalDestination.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>

#include "LocalIo.h"
#include "PendingFile.h"
#include "files/PlatformErrors.h"
#include "files/TemporaryNames.h"

namespace synvora {
namespace {

struct DirCloser {
    void operator()(DIR* dir) const noexcept { ::closedir(dir); }
};

// A handle that can also list the folder; a folder its owner may not read is still written into
// through a handle that only addresses its entries.
UniqueFd OpenFolderAt(int folderFd, const char* name, int flags) {
    UniqueFd fd(::openat(folderFd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | flags));
    if (!fd.Valid() && errno == EACCES) {
        fd.Reset(::openat(folderFd, name, O_PATH | O_DIRECTORY | O_CLOEXEC | flags));
    }
    return fd;
}

UniqueFd Duplicate(int fd) {
    UniqueFd copy(::fcntl(fd, F_DUPFD_CLOEXEC, 0));
    if (!copy.Valid()) {
        ThrowPlatformError(errno);
    }
    return copy;
}

class LocalFileWriter final : public FileWriter {
public:
    LocalFileWriter(UniqueFd folder, const std::string& name)
        : m_folder(std::move(folder)), m_pending(m_folder.Get(), name, 0600) {}

    void Write(std::string_view bytes) override { WriteAll(m_pending.Fd(), bytes); }
    bool WritesAtOffsets() const override { return true; }
    void WriteAt(std::uint64_t offset, std::string_view bytes) override {
        WriteAllAt(m_pending.Fd(), offset, bytes);
    }

    void SetModificationTime(FileTime modified) override { m_modified = modified; }

    void Commit(unsigned permissions, bool replace) override {
        if (m_modified) {
            synvora::SetModificationTime(m_pending.Fd(), *m_modified);
        }
        m_pending.SetPermissions(permissions & 0777);
        // No fsync, as for local copies: the rename is the guarantee against partial files.
        m_pending.Commit(replace);
    }

private:
    UniqueFd m_folder;  // declared first: m_pending uses it until its own destruction
    PendingFile m_pending;
    std::optional<FileTime> m_modified;
};

}  // namespace

UniqueFd OpenDestinationHandle(const std::string& path) {
    if (path.empty()) {
        ThrowPlatformError(ENOENT);
    }
    UniqueFd fd = OpenFolderAt(AT_FDCWD, path.c_str(), 0);
    if (!fd.Valid()) {
        ThrowPlatformError(errno);
    }
    return fd;
}

std::optional<PathInfo> InspectEntryAt(int folderFd, const std::string& name) {
    struct stat info {};
    if (::fstatat(folderFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT) {
            return std::nullopt;
        }
        ThrowPlatformError(errno);
    }
    PathInfo result{AttributesOf(info), {}, 0, {}};
    if (S_ISLNK(info.st_mode)) {
        result.attributes = kAttributeAlias;
    } else if (S_ISDIR(info.st_mode)) {
        result.identity = IdentityOf(info);
    } else {
        result.size = static_cast<std::uint64_t>(info.st_size);
        result.modified = ModificationTimeOf(info);
    }
    return result;
}

UniqueFd OpenSubfolderAt(int folderFd, const std::string& name, bool& created) {
    created = ::mkdirat(folderFd, name.c_str(), 0777) == 0;
    if (!created && errno != EEXIST) {
        ThrowPlatformError(errno);
    }
    UniqueFd fd = OpenFolderAt(folderFd, name.c_str(), O_NOFOLLOW);
    if (fd.Valid()) {
        return fd;
    }
    const int error = errno;
    const auto existing = InspectEntryAt(folderFd, name);
    if (existing && existing->IsLink()) {
        ThrowPlatformError(ELOOP,
                           "a link stands where the folder should be, and the copy does not write "
                           "through links");
    }
    if (existing && !existing->IsFolder()) {
        ThrowPlatformError(EEXIST, "a file stands where the folder should be");
    }
    ThrowPlatformError(error);
}

void RemoveLeftoverTemporariesAt(int folderFd) {
    UniqueFd listing(::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const std::unique_ptr<DIR, DirCloser> dir(listing.Valid() ? ::fdopendir(listing.Get()) : nullptr);
    if (!dir) {
        return;
    }
    listing.Release();  // now owned by dir
    while (const dirent* entry = ::readdir(dir.get())) {
        if ((entry->d_type == DT_REG || entry->d_type == DT_UNKNOWN) &&
            IsLeftoverTemporaryName(entry->d_name)) {
            struct stat info {};
            if (::fstatat(folderFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISREG(info.st_mode)) {
                ::unlinkat(folderFd, entry->d_name, 0);
            }
        }
    }
}

std::unique_ptr<FileWriter> CreateLocalFileWriter(UniqueFd folder, const std::string& name) {
    return std::make_unique<LocalFileWriter>(std::move(folder), name);
}

LocalDestinationFolder::LocalDestinationFolder(UniqueFd folder) : m_folder(std::move(folder)) {
    // Read now, on the thread that opens the folder: reading the mask sets it for a moment, which
    // must not happen while workers create files through this folder.
    (void)ProcessUmask();
}

std::optional<PathInfo> LocalDestinationFolder::Inspect(const std::string& name) {
    return InspectEntryAt(m_folder.Get(), name);
}

std::unique_ptr<DestinationFolder> LocalDestinationFolder::OpenSubfolder(const std::string& name,
                                                                         bool& created) {
    return std::make_unique<LocalDestinationFolder>(OpenSubfolderAt(m_folder.Get(), name, created));
}

std::unique_ptr<FileWriter> LocalDestinationFolder::CreateFileWriter(const std::string& name) {
    return CreateLocalFileWriter(Duplicate(m_folder.Get()), name);
}

void LocalDestinationFolder::RemoveLeftoverTemporaries() {
    RemoveLeftoverTemporariesAt(m_folder.Get());
}

std::optional<std::uint64_t> LocalDestinationFolder::FreeSpace() {
    struct statvfs info {};
    if (::fstatvfs(m_folder.Get(), &info) != 0) {
        return std::nullopt;
    }
    // The blocks an unprivileged user may take: the space kept for root is no room for a copy.
    return static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
}

}  // namespace synvora
