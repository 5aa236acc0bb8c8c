#pragma once

#include <memory>
#include <string>

#include "files/FileSystem.h"

namespace synvora {

class ShareConnection;

/// The file system of a connected share, as mounted on a drive letter: paths arrive without the
/// drive ("/Synvora/images"). Attributes follow the local disk's convention: read-only from the
/// share's read-only attribute, archive for every file. Copies within the share go through this
/// machine (StreamedCopy); new files are written under a temporary name and renamed into place,
/// so that a destination file is either old or complete.
class ShareFileSystem final : public FileSystem {
public:
    explicit ShareFileSystem(std::shared_ptr<ShareConnection> connection);

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
    /// Asks the server nothing but the open, the reads and the close.
    std::unique_ptr<FileReader> OpenListedFile(const std::string& path, const FolderEntry& listed) override;
    std::unique_ptr<FileWriter> CreateFileWriter(const std::string& path) override;
    std::unique_ptr<DestinationFolder> OpenDestinationFolder(const std::string& path) override;
    /// A connection of its own to the same share (ShareConnection::OpenAnother).
    std::shared_ptr<FileSystem> OpenSession() override;
    std::string ReadFile(const std::string& path) override;
    void ReplaceFile(const std::string& path, std::string_view content) override;
    void CreateEmptyFile(const std::string& path) override;
    void AppendToFile(const std::string& path, std::string_view content) override;
    /// A share knows no owner-only permissions: always fails, rather than leave a secret readable.
    void RestrictToOwner(const std::string& path) override;

private:
    std::shared_ptr<ShareConnection> m_connection;
};

}  // namespace synvora
