#pragma once

#include <memory>
#include <string>

#include "files/FileSystem.h"

namespace synvora {

/// The file system of Windows, through the wide Win32 file calls: paths in UTF-8 inside, UTF-16
/// at the call, "/" taken as "\" as Windows does, and paths too long for the plain calls given in
/// the "\\?\" form. A mapped network drive is an ordinary drive here.
///
/// Attributes are the system's own (1 read-only, 16 directory, 32 archive). A new file is written
/// under a hidden temporary name in its destination folder and renamed into place (MoveFileExW,
/// or ReplaceFileW where the old file's attributes and security are to stay), so a destination
/// shows its old content or the complete new one. Copies go through the streamed copy on this
/// file system's own calls (StreamedCopy.h): one listing of the source tree, each file in 1 MiB
/// pieces, its modification time set with SetFileTime.
class Win32FileSystem final : public FileSystem {
public:
    bool FileExists(const std::string& path) override;
    bool FolderExists(const std::string& path) override;
    void CreateFolder(const std::string& path) override;
    void CopyFile(const std::string& source, const std::string& destination, bool overwrite) override;
    using FileSystem::CopyFolder;
    void CopyFolder(const std::string& source, const std::string& destination,
                    const FolderCopyOptions& options) override;
    int Attributes(const std::string& path) override;
    std::optional<PathInfo> Inspect(const std::string& path) override;
    std::vector<FolderEntry> ListFolder(const std::string& path) override;
    std::unique_ptr<FileReader> OpenForReading(const std::string& path) override;
    std::unique_ptr<FileWriter> CreateFileWriter(const std::string& path) override;
    /// Below the folder no link is followed (Win32Destination.h).
    std::unique_ptr<DestinationFolder> OpenDestinationFolder(const std::string& path) override;
    /// The system's file calls may be made on any number of threads: another file system object.
    std::shared_ptr<FileSystem> OpenSession() override;
    std::string ReadFile(const std::string& path) override;
    void ReplaceFile(const std::string& path, std::string_view content) override;
    void CreateEmptyFile(const std::string& path) override;
    void AppendToFile(const std::string& path, std::string_view content) override;
    /// An owner-only DACL (protected, so nothing is inherited) on a plain file with one name; a
    /// symbolic link, junction or other reparse point, or a file with further hard links, is
    /// removed itself (never what it leads to) and a new empty file created with that DACL.
    void RestrictToOwner(const std::string& path) override;
};

}  // namespace synvora
