#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "CopyProgress.h"

namespace synvora {

/// Attribute bits as the program tests them: a read-only regular file has the value 33.
enum FileAttribute : int {
    kAttributeReadOnly = 1,
    kAttributeDirectory = 16,
    kAttributeArchive = 32,
    /// A symbolic link itself, where a question does not follow links.
    kAttributeAlias = 1024,
};

/// Tells folders apart on one backend (device and inode on a local disk), so that a folder copy
/// can recognise a symbolic link that leads back into a folder it is already copying. A backend
/// that cannot tell leaves both values 0.
struct FolderIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;

    bool Known() const noexcept { return inode != 0; }
    bool operator==(const FolderIdentity&) const = default;
};

/// What exists at a path: its FileAttribute bits, for a folder its identity, for a file its size
/// and modification time.
struct PathInfo {
    int attributes = 0;
    FolderIdentity identity;
    std::uint64_t size = 0;
    FileTime modified;

    bool IsFolder() const noexcept { return (attributes & kAttributeDirectory) != 0; }
    bool IsReadOnly() const noexcept { return (attributes & kAttributeReadOnly) != 0; }
    bool IsLink() const noexcept { return (attributes & kAttributeAlias) != 0; }
};

/// A file's size and modification time, which a copy compares before and after reading it.
struct FileStamp {
    std::uint64_t size = 0;
    FileTime modified;

    /// Same size, and the same time to the microsecond (SameModificationTime).
    bool Matches(const FileStamp& other) const noexcept {
        return size == other.size && SameModificationTime(modified, other.modified);
    }
};

/// One entry of a folder listing. Symbolic links are listed as what they lead to; a link that
/// leads nowhere is listed as a file, so that copying it fails instead of being skipped silently.
/// A file comes with what the listing tells of it, so that a copy needs no question per file.
struct FolderEntry {
    std::string name;
    bool isFolder = false;
    FolderIdentity identity;  // folders only
    std::uint64_t size = 0;   // files only
    FileTime modified;        // files only
    bool readOnly = false;    // files only

    static FolderEntry Folder(std::string name, FolderIdentity identity) {
        return {std::move(name), true, identity, 0, {}, false};
    }
    static FolderEntry File(std::string name, std::uint64_t size, FileTime modified, bool readOnly) {
        return {std::move(name), false, {}, size, modified, readOnly};
    }
};

/// A file opened for reading in chunks.
class FileReader {
public:
    virtual ~FileReader() = default;

    /// Fills the buffer as far as the file goes; 0 at the end of the file.
    virtual std::size_t Read(std::span<char> buffer) = 0;

    /// The file's permission bits (POSIX 0777 form; a backend with only a read-only attribute
    /// reports the owner write bit from it).
    virtual unsigned Permissions() const = 0;

    /// The file's size and modification time now, asked of the open file: a copy that read it in
    /// several pieces learns so whether it changed meanwhile.
    virtual FileStamp CurrentStamp() = 0;

    /// The next Read starts at this byte of the file, for a reader that takes one part of a large
    /// file while another reader takes the rest.
    virtual void StartAt(std::uint64_t offset) = 0;
};

/// A new file being written under a temporary name in its destination folder. Commit renames it
/// into place; without Commit the destructor removes the temporary. The destination therefore
/// holds either its old content or the complete new one, never a part.
class FileWriter {
public:
    virtual ~FileWriter() = default;

    virtual void Write(std::string_view bytes) = 0;

    /// True when WriteAt may be called, also from several threads at once for parts that do not
    /// overlap: several readers then fill one large file side by side.
    virtual bool WritesAtOffsets() const { return false; }
    /// Writes at that byte of the file (only where WritesAtOffsets says so). A file is written
    /// either piece after piece with Write or at offsets with WriteAt, not both: on Windows a write
    /// at an offset moves the position that Write goes on from.
    virtual void WriteAt(std::uint64_t offset, std::string_view bytes);

    /// The modification time the file gets when it is committed; without a call it keeps the
    /// time of its writing.
    virtual void SetModificationTime(FileTime modified) = 0;

    /// Gives the file its permission bits and renames it into place. An existing file of the final
    /// name is replaced only when replace is true; otherwise the call fails and leaves it alone.
    virtual void Commit(unsigned permissions, bool replace) = 0;
};

/// A folder that a copy writes into, held open: the copy reaches everything below it through it,
/// one name at a time, and nothing through a symbolic link, also not through one that takes a
/// folder's place while the copy runs. Failures are raised as FileSystem's are. Used by one thread,
/// unless TakesSeveralWriters says otherwise.
class DestinationFolder {
public:
    virtual ~DestinationFolder() = default;

    /// What stands under the name in this folder, a link being described as a link (attribute
    /// kAttributeAlias), not as what it leads to; nothing when the name is free.
    virtual std::optional<PathInfo> Inspect(const std::string& name) = 0;

    /// Opens the subfolder of that name, creating it when it is missing (`created` says so). A
    /// file or a link in its place fails the call and is left as it is.
    virtual std::unique_ptr<DestinationFolder> OpenSubfolder(const std::string& name, bool& created) = 0;

    /// Starts a new file that takes the name in this folder when committed (see FileWriter).
    virtual std::unique_ptr<FileWriter> CreateFileWriter(const std::string& name) = 0;

    /// Removes the temporary files that a copy into this folder left when its program was ended
    /// part-way (IsLeftoverTemporaryName), and nothing else.
    virtual void RemoveLeftoverTemporaries() = 0;

    /// The bytes that new files may still take on the file system that holds this folder, as far
    /// as this program's user may use them; nothing when that is not known.
    virtual std::optional<std::uint64_t> FreeSpace() { return std::nullopt; }

    /// True when Inspect and CreateFileWriter of this folder and its subfolders may be called from
    /// several threads at once (each writer then used on one thread), so that a copy can write
    /// several files at the same time.
    virtual bool TakesSeveralWriters() const { return false; }
};

/// Every file and folder operation of the program goes through this interface: one implementation
/// per platform (files/posix, files/win32), and on Linux the shares of mapped network drives. Failures are
/// raised as MigrationError with a platform error number (PlatformErrors.h); FileExists and FolderExists
/// answer false instead. File contents cross this interface as raw bytes; TextFiles.h adds the single-byte
/// text encoding and line ends on top.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    virtual bool FileExists(const std::string& path) = 0;
    virtual bool FolderExists(const std::string& path) = 0;

    /// Creates the folder and any missing folders above it. An existing folder is accepted.
    virtual void CreateFolder(const std::string& path) = 0;

    /// Copies one file, keeping its permissions and modification time. An existing destination is
    /// replaced only when overwrite is true, a read-only destination (attribute 1) is never
    /// replaced, and a folder at the destination makes the call fail.
    virtual void CopyFile(const std::string& source, const std::string& destination, bool overwrite) = 0;

    /// Copies a folder's files and subfolders into destination, which names the copy itself
    /// (created, or merged into), each file with its permissions and modification time. Each file
    /// arrives complete or not at all. A file that cannot be copied does not stop the rest: the
    /// copy goes as far as it can and then raises the first failure; only a drive that is no
    /// longer ready (71) ends it at once. See FolderCopyOptions for the destination's files and
    /// for watching and stopping the copy.
    virtual void CopyFolder(const std::string& source, const std::string& destination,
                            const FolderCopyOptions& options) = 0;
    void CopyFolder(const std::string& source, const std::string& destination, bool overwrite);

    /// FileAttribute bits of an existing file or folder.
    virtual int Attributes(const std::string& path) = 0;

    /// What exists at the path, or nothing when no file or folder is there. Other failures (a
    /// drive that is not ready, a folder on the way that cannot be searched) raise.
    virtual std::optional<PathInfo> Inspect(const std::string& path) = 0;

    /// The files and folders in a folder, in no particular order; "." and ".." are left out, as
    /// are entries that are neither files nor folders.
    virtual std::vector<FolderEntry> ListFolder(const std::string& path) = 0;

    virtual std::unique_ptr<FileReader> OpenForReading(const std::string& path) = 0;

    /// Opens a file that a listing has just shown: a backend for which each question costs a
    /// round trip trusts the listing's size and attribute instead of asking again. The file is
    /// read to its real end all the same.
    virtual std::unique_ptr<FileReader> OpenListedFile(const std::string& path, const FolderEntry& listed);

    /// Starts a new file that will take the given path when committed (see FileWriter).
    virtual std::unique_ptr<FileWriter> CreateFileWriter(const std::string& path) = 0;

    /// Opens an existing folder for a copy to write into. The path is resolved as every path is
    /// (links on the way to it followed); below it the copy goes through the DestinationFolder.
    virtual std::unique_ptr<DestinationFolder> OpenDestinationFolder(const std::string& path) = 0;

    /// Another way into the same files for one more thread of a copy that reads several files at
    /// once: a session is used by one thread at a time, while this file system and other sessions
    /// are used on other threads. A share connects once more for it (the connection ends with the
    /// session). Nothing when the file system cannot be read on several threads at once, which is
    /// what a file system answers unless it says otherwise.
    virtual std::shared_ptr<FileSystem> OpenSession();

    /// The whole content of a file.
    virtual std::string ReadFile(const std::string& path) = 0;

    /// Replaces a file's content in one step: a failure leaves the old content in place.
    virtual void ReplaceFile(const std::string& path, std::string_view content) = 0;

    /// Creates an empty file, replacing any file of that name.
    virtual void CreateEmptyFile(const std::string& path) = 0;

    /// Appends to an existing file; never creates one.
    virtual void AppendToFile(const std::string& path, std::string_view content) = 0;

    /// Makes the path a file of the program's own that is about to hold secrets: afterwards it
    /// names a regular file with no other name, readable and writable by its owner only (0600,
    /// also when it was read-only: the program writes it next). Nothing is done through a link:
    /// a symbolic link, or a file with further hard links, is removed (never what it leads to) and
    /// an empty file created in its place, as for a missing file. A plain file keeps its content.
    virtual void RestrictToOwner(const std::string& path) = 0;
};

/// The process-wide file system, on every platform the one the program's procedures use. On
/// Windows the system's own: a mapped network drive is an ordinary drive there. On Linux drive
/// letters ("Z:/...") reach the file system mounted for that letter (files/posix/
/// RoutingFileSystem.h) and every other path this machine's disk.
FileSystem& TheFileSystem();

}  // namespace synvora
