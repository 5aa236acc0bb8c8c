#pragma once

#include <string>

#include "files/FileSystem.h"

namespace synvora {

/// The file system of this machine, through POSIX calls. Attributes follow the convention Samba
/// uses: read-only when the owner may not write; archive for every regular file.
///
/// With a root folder the paths it receives are taken below that folder ("/a" is root + "/a"),
/// which is how a folder of this machine can serve as a drive letter's file system.
class LocalFileSystem final : public FileSystem {
public:
    LocalFileSystem() = default;
    explicit LocalFileSystem(std::string rootFolder);

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
    std::unique_ptr<DestinationFolder> OpenDestinationFolder(const std::string& path) override;
    /// The disk may be read on any number of threads: a file system of the same folder.
    std::shared_ptr<FileSystem> OpenSession() override;
    std::string ReadFile(const std::string& path) override;
    void ReplaceFile(const std::string& path, std::string_view content) override;
    void CreateEmptyFile(const std::string& path) override;
    void AppendToFile(const std::string& path, std::string_view content) override;
    void RestrictToOwner(const std::string& path) override;

private:
    std::string Resolve(const std::string& path) const;

    std::string m_rootFolder;
};

}  // namespace synvora
