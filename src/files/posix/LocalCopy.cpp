#include "LocalCopy.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <vector>

#include "LocalDestination.h"
#include "LocalIo.h"
#include "PendingFile.h"
#include "files/CopyPlan.h"
#include "files/ErrorCodes.h"
#include "files/PlatformErrors.h"

namespace synvora {
namespace {

constexpr std::size_t kKernelCopyChunk = std::size_t{1} << 30;
constexpr std::size_t kBufferSize = std::size_t{256} << 10;
constexpr std::size_t kReportedPiece = std::size_t{1} << 20;

struct DirCloser {
    void operator()(DIR* dir) const noexcept { ::closedir(dir); }
};
using OwnedDir = std::unique_ptr<DIR, DirCloser>;

// The kernel copy calls refuse some pairs of files (other file system types, special files);
// those errors mean "copy another way", not "the copy failed".
bool CallNotSupported(int error) {
    return error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == EBADF;
}

// Where the pieces of a watched copy are reported; nullptr for a copy nobody watches.
using PieceSink = FileInFlight*;

// A watched copy goes in pieces that each can be reported; an unwatched one lets the kernel take
// as much as it will.
std::size_t StepSize(PieceSink sink) {
    return sink != nullptr ? kReportedPiece : kKernelCopyChunk;
}

void Reported(PieceSink sink, std::size_t bytes) {
    if (sink != nullptr) {
        sink->PieceCopied(bytes);
    }
}

// Each step copies from the current file positions onwards, so a later step continues where an
// earlier one gave up. Returns false when the call cannot copy these files at all.
bool CopyWithCopyFileRange(int in, int out, off_t size, off_t& copied, PieceSink sink) {
    while (copied < size) {
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, StepSize(sink), 0);
        if (n > 0) {
            copied += n;
            Reported(sink, static_cast<std::size_t>(n));
            continue;
        }
        if (n == 0) {
            return true;  // the file shrank, or a file system that reports no size
        }
        if (errno == EINTR) {
            continue;
        }
        if (CallNotSupported(errno)) {
            return false;
        }
        ThrowPlatformError(errno);
    }
    return true;
}

bool CopyWithSendfile(int in, int out, off_t size, off_t& copied, PieceSink sink) {
    while (copied < size) {
        const ssize_t n = ::sendfile(out, in, nullptr, StepSize(sink));
        if (n > 0) {
            copied += n;
            Reported(sink, static_cast<std::size_t>(n));
            continue;
        }
        if (n == 0) {
            return true;
        }
        if (errno == EINTR) {
            continue;
        }
        if (CallNotSupported(errno)) {
            return false;
        }
        ThrowPlatformError(errno);
    }
    return true;
}

void CopyWithReadWrite(int in, int out, PieceSink sink) {
    std::vector<char> buffer(kBufferSize);
    for (;;) {
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            ThrowPlatformError(errno);
        }
        if (got == 0) {
            return;
        }
        WriteAll(out, std::string_view(buffer.data(), static_cast<std::size_t>(got)));
        Reported(sink, static_cast<std::size_t>(got));
    }
}

void CopyContent(int in, int out, off_t size, PieceSink sink) {
    off_t copied = 0;
    if (CopyWithCopyFileRange(in, out, size, copied, sink) && copied >= size) {
        return;
    }
    if (CopyWithSendfile(in, out, size, copied, sink) && copied >= size) {
        return;
    }
    // Whatever is left (also a file that grew, or one whose size the file system does not know).
    CopyWithReadWrite(in, out, sink);
}

// True when the destination already holds a complete copy to keep; raises what keeps a new file
// from taking the name. A link there is looked at, not followed.
bool KeepsDestination(int folderFd, const std::string& name, const FolderCopyOptions& options,
                      const struct stat& source) {
    const auto existing = InspectEntryAt(folderFd, name);
    return existing &&
           KeepsEarlierCopy({existing->IsFolder(), existing->IsLink(), existing->IsReadOnly(), existing->size,
                             existing->modified},
                            static_cast<std::uint64_t>(source.st_size), ModificationTimeOf(source), options);
}

FileStamp StampOf(const struct stat& info) {
    return {static_cast<std::uint64_t>(info.st_size), ModificationTimeOf(info)};
}

// destinationMayExist is false inside a folder this copy has just created: nothing to look at.
// A source that changes while it is copied is copied once more from its start; a second change
// fails the file, which is then not committed.
void CopyOpenFile(int sourceFd, struct stat source, int destinationFolderFd, const std::string& name,
                  const FolderCopyOptions& options, bool destinationMayExist, PieceSink sink) {
    if (destinationMayExist && KeepsDestination(destinationFolderFd, name, options, source)) {
        return;
    }
    for (int attempt = 1;; ++attempt) {
        PendingFile pending(destinationFolderFd, name, source.st_mode & 0777);
        CopyContent(sourceFd, pending.Fd(), source.st_size, sink);
        struct stat after {};
        if (::fstat(sourceFd, &after) != 0) {
            ThrowPlatformError(errno);
        }
        if (StampOf(after).Matches(StampOf(source))) {
            SetModificationTime(pending.Fd(), ModificationTimeOf(source));
            // No fsync: the rename already guarantees that a final name never shows a partial
            // file, and flushing every file would make a large folder copy several times slower.
            pending.Commit(options.overwrite);
            return;
        }
        if (attempt == 2 || ::lseek(sourceFd, 0, SEEK_SET) != 0) {
            RaiseSourceChanged();
        }
        source = after;
        if (sink != nullptr) {
            sink->Restarted();
        }
    }
}

// Opens a file to copy. O_NONBLOCK keeps a FIFO that took a file's place from blocking the copy;
// it changes nothing for regular files.
UniqueFd OpenSourceFileAt(int folderFd, const char* name, struct stat& info) {
    UniqueFd fd(::openat(folderFd, name, O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.Valid()) {
        ThrowPlatformError(errno);
    }
    if (::fstat(fd.Get(), &info) != 0) {
        ThrowPlatformError(errno);
    }
    return fd;
}

bool IsSameOrInside(const std::filesystem::path& inner, const std::filesystem::path& outer) {
    return std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end()).first == outer.end();
}

void RefuseCopyIntoItself(const std::string& source, const std::string& destination) {
    std::error_code error;
    const auto from = std::filesystem::canonical(source, error);
    if (error) {
        return;
    }
    const auto to = std::filesystem::weakly_canonical(destination, error);
    if (!error && IsSameOrInside(to, from)) {
        ThrowPlatformErrorNumber(PlatformError::kPermissionDenied);
    }
}

/// Copies one folder tree. A failing entry is remembered and the walk goes on, so the copy goes
/// as far as it can; the first failure is raised at the end. A stop asked for by the monitor, or
/// a drive that is no longer ready, ends the walk after the file in hand. The destination is
/// reached through folder handles only (LocalDestination.h).
class TreeCopy {
public:
    TreeCopy(const FolderCopyOptions& options, CopyTotals totals, FolderIdentity destinationRoot)
        : m_options(options), m_tracker(options.monitor, totals), m_destinationRoot(destinationRoot) {}

    void CopyContent(OwnedDir source, int destinationFd, bool destinationMayHoldFiles,
                     const CopiedEntry& folder);
    void RaiseFirstFailure() const;

private:
    bool Ending() const { return m_failures.DriveGone() || m_tracker.Stopping(); }
    void CopyEntry(int sourceFd, const dirent& entry, int destinationFd, bool destinationMayHoldFiles,
                   const CopiedEntry& folder);
    std::uint64_t CopyFileEntry(int sourceFd, const char* name, int destinationFd,
                                bool destinationMayHoldFiles, FileInFlight& count);
    void CopySubfolder(int sourceFd, const char* name, int destinationFd, const CopiedEntry& subfolder);

    const FolderCopyOptions& m_options;
    CopyTracker m_tracker;
    FolderIdentity m_destinationRoot;
    std::vector<FolderIdentity> m_ancestors;
    CopyFailures m_failures;
};

void TreeCopy::RaiseFirstFailure() const {
    m_failures.RaiseFirst();
    m_tracker.RaiseIfStopped();
}

void TreeCopy::CopyContent(OwnedDir source, int destinationFd, bool destinationMayHoldFiles,
                           const CopiedEntry& folder) {
    const int sourceFd = ::dirfd(source.get());
    struct stat self {};
    if (::fstat(sourceFd, &self) != 0) {
        const int error = errno;
        m_failures.Attempt(folder, [error] { ThrowPlatformError(error); });
        return;
    }
    if (destinationMayHoldFiles) {
        RemoveLeftoverTemporariesAt(destinationFd);
    }
    m_ancestors.push_back(IdentityOf(self));
    while (!Ending()) {
        errno = 0;
        const dirent* entry = ::readdir(source.get());
        if (entry == nullptr) {
            if (errno != 0) {
                const int error = errno;
                m_failures.Attempt(folder, [error] { ThrowPlatformError(error); });
            }
            break;
        }
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        CopyEntry(sourceFd, *entry, destinationFd, destinationMayHoldFiles, folder);
    }
    m_ancestors.pop_back();
}

void TreeCopy::CopyEntry(int sourceFd, const dirent& entry, int destinationFd, bool destinationMayHoldFiles,
                         const CopiedEntry& folder) {
    bool isFile = entry.d_type == DT_REG;
    bool isFolder = entry.d_type == DT_DIR;
    if (entry.d_type == DT_LNK || entry.d_type == DT_UNKNOWN) {
        // Links are copied as what they lead to. A link that leads nowhere counts as a file, so
        // that its copy fails and is reported instead of being skipped silently.
        struct stat target {};
        const bool resolved = ::fstatat(sourceFd, entry.d_name, &target, 0) == 0;
        isFile = !resolved || S_ISREG(target.st_mode);
        isFolder = resolved && S_ISDIR(target.st_mode);
    }
    if (isFile) {
        std::uint64_t size = 0;
        FileInFlight count(m_tracker);
        m_failures.Attempt(folder.Child(entry.d_name, false), [&] {
            size = CopyFileEntry(sourceFd, entry.d_name, destinationFd, destinationMayHoldFiles, count);
        });
        count.Done(size);
    } else if (isFolder) {
        const CopiedEntry subfolder = folder.Child(entry.d_name, true);
        m_failures.Attempt(subfolder,
                           [&] { CopySubfolder(sourceFd, entry.d_name, destinationFd, subfolder); });
    }
    // Devices, FIFOs and sockets are no content of a folder to migrate.
}

// Returns the size of the file as it was opened.
std::uint64_t TreeCopy::CopyFileEntry(int sourceFd, const char* name, int destinationFd,
                                      bool destinationMayHoldFiles, FileInFlight& count) {
    struct stat info {};
    const UniqueFd file = OpenSourceFileAt(sourceFd, name, info);
    if (!S_ISREG(info.st_mode)) {
        return 0;
    }
    CopyOpenFile(file.Get(), info, destinationFd, name, m_options, destinationMayHoldFiles,
                 m_tracker.Monitored() ? &count : nullptr);
    return static_cast<std::uint64_t>(info.st_size);
}

void TreeCopy::CopySubfolder(int sourceFd, const char* name, int destinationFd,
                             const CopiedEntry& subfolder) {
    UniqueFd child(::openat(sourceFd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!child.Valid()) {
        ThrowPlatformError(errno);
    }
    struct stat info {};
    if (::fstat(child.Get(), &info) != 0) {
        ThrowPlatformError(errno);
    }
    // A link back to a folder being copied would never end; the destination itself is not copied
    // into itself either.
    const FolderIdentity identity = IdentityOf(info);
    if (identity == m_destinationRoot ||
        std::find(m_ancestors.begin(), m_ancestors.end(), identity) != m_ancestors.end()) {
        return;
    }
    bool created = false;
    const UniqueFd childDestination = OpenSubfolderAt(destinationFd, name, created);
    OwnedDir dir(::fdopendir(child.Get()));
    if (!dir) {
        ThrowPlatformError(errno);
    }
    child.Release();  // now owned by dir
    CopyContent(std::move(dir), childDestination.Get(), !created, subfolder);
}

std::string WithoutTrailingSeparators(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

}  // namespace

bool CreateLocalFolder(const std::string& path) {
    if (path.empty()) {
        ThrowPlatformError(ENOENT);
    }
    if (::mkdir(path.c_str(), 0777) == 0) {
        return true;
    }
    const int error = errno;
    if (error == EEXIST) {
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
            return false;
        }
        ThrowPlatformError(EEXIST);
    }
    const std::string trimmed = WithoutTrailingSeparators(path);
    const auto slash = trimmed.find_last_of('/');
    if (error != ENOENT || slash == std::string::npos || slash == 0) {
        ThrowPlatformError(error);
    }
    CreateLocalFolder(trimmed.substr(0, slash));
    if (::mkdir(path.c_str(), 0777) != 0) {
        ThrowPlatformError(errno);
    }
    return true;
}

void CopyLocalFile(const std::string& source, const std::string& destination, bool overwrite) {
    struct stat info {};
    UniqueFd file(source.empty() ? -1 : ::open(source.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!file.Valid() || ::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        // A folder or a special file is no file to copy.
        ThrowPlatformErrorNumber(PlatformError::kFileNotFound);
    }
    const auto [folder, name] = SplitFolderAndName(destination);
    if (name.empty()) {
        ThrowPlatformError(EISDIR);
    }
    const UniqueFd destinationFolder(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!destinationFolder.Valid()) {
        ThrowPlatformErrorNumber(PlatformError::kPathNotFound);
    }
    FolderCopyOptions options;
    options.overwrite = overwrite;
    CopyOpenFile(file.Get(), info, destinationFolder.Get(), name, options, true, nullptr);
}

void CopyLocalFolder(const std::string& source, const std::string& destination,
                     const FolderCopyOptions& options, CopyTotals totals) {
    OwnedDir sourceDir(source.empty() ? nullptr : ::opendir(source.c_str()));
    if (!sourceDir) {
        ThrowPlatformErrorNumber(PlatformError::kPathNotFound);
    }
    RefuseCopyIntoItself(source, destination);
    const bool created = CreateLocalFolder(destination);
    const UniqueFd destinationFd = OpenDestinationHandle(destination);
    struct stat info {};
    if (::fstat(destinationFd.Get(), &info) != 0) {
        ThrowPlatformError(errno);
    }
    TreeCopy tree(options, totals, IdentityOf(info));
    tree.CopyContent(std::move(sourceDir), destinationFd.Get(), !created, CopiedEntry{"", true});
    tree.RaiseFirstFailure();
}

}  // namespace synvora
