#pragma once

#include <string>
#include <string_view>

namespace synvora {

/// Attribute bits as the program tests them: a read-only regular file has the value 33.
enum FileAttribute : int {
    kAttributeReadOnly = 1,
    kAttributeDirectory = 16,
    kAttributeArchive = 32,
};

/// Every file and folder operation of the program goes through this interface, so that paths on
/// a mapped network drive ("Z:...") reach the network drive layer and every other path the local
/// disk. Failures are raised as MigrationError with a platform error number (PlatformErrors.h);
/// FileExists and FolderExists answer false instead. File contents cross this interface as raw
/// bytes; TextFiles.h adds the single-byte text encoding and line ends on top.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    virtual bool FileExists(const std::string& path) = 0;
    virtual bool FolderExists(const std::string& path) = 0;
    virtual void CreateFolder(const std::string& path) = 0;

    /// Copies one file. An existing destination is replaced only when overwrite is true, and a
    /// read-only destination (attribute 1) is never replaced.
    virtual void CopyFile(const std::string& source, const std::string& destination, bool overwrite) = 0;

    /// Copies a folder's files and subfolders into destination, which names the copy itself
    /// (created, or merged into). Each file arrives complete or not at all.
    virtual void CopyFolder(const std::string& source, const std::string& destination, bool overwrite) = 0;

    /// FileAttribute bits of an existing file or folder.
    virtual int Attributes(const std::string& path) = 0;

    /// The whole content of a file.
    virtual std::string ReadFile(const std::string& path) = 0;

    /// Replaces a file's content in one step: a failure leaves the old content in place.
    virtual void ReplaceFile(const std::string& path, std::string_view content) = 0;

    /// Creates an empty file, replacing any file of that name.
    virtual void CreateEmptyFile(const std::string& path) = 0;

    /// Appends to an existing file; never creates one.
    virtual void AppendToFile(const std::string& path, std::string_view content) = 0;
};

/// The process-wide file system: local paths on this machine, drive-letter paths on the mapped
/// network drives.
FileSystem& TheFileSystem();

}  // namespace synvora
