#pragma once

#include <array>
#include <memory>
#include <string>

#include "files/FileSystem.h"

namespace synvora {

/// Sends each path to the file system that holds it: a path that begins with a drive letter and
/// a colon ("Z:/Synvora/images") to the file system mounted for that letter, which receives it
/// without the prefix ("/Synvora/images"); every other path to the local disk. A drive letter with
/// nothing mounted answers as a drive that does not exist: FileExists and FolderExists give false,
/// everything else fails with 71 "Disk not ready".
///
/// Copies within one file system use that file system's own copy; copies between two go through
/// StreamedCopy. Used from the user-interface thread only, like everything else of the program.
class RoutingFileSystem final : public FileSystem {
public:
    RoutingFileSystem();
    explicit RoutingFileSystem(std::shared_ptr<FileSystem> local);

    /// Letters are case-insensitive; a character that is no letter fails with 52.
    void MountDrive(char letter, std::shared_ptr<FileSystem> drive);
    void UnmountDrive(char letter);
    bool IsDriveMounted(char letter) const;

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
    std::unique_ptr<FileReader> OpenListedFile(const std::string& path, const FolderEntry& listed) override;
    std::unique_ptr<FileWriter> CreateFileWriter(const std::string& path) override;
    std::unique_ptr<DestinationFolder> OpenDestinationFolder(const std::string& path) override;
    std::string ReadFile(const std::string& path) override;
    void ReplaceFile(const std::string& path, std::string_view content) override;
    void CreateEmptyFile(const std::string& path) override;
    void AppendToFile(const std::string& path, std::string_view content) override;
    void RestrictToOwner(const std::string& path) override;

private:
    /// The file system that holds a path and the path as that file system sees it. The shared
    /// pointer keeps a drive alive for the call even if it is unmounted meanwhile.
    struct Route {
        std::shared_ptr<FileSystem> fileSystem;
        std::string path;
    };

    /// No value for a path on a drive letter with nothing mounted.
    std::optional<Route> FindRoute(const std::string& path) const;
    Route RouteOrFail(const std::string& path) const;

    std::shared_ptr<FileSystem> m_local;
    std::array<std::shared_ptr<FileSystem>, 26> m_drives;
};

/// Mounts a file system for a drive letter (case-insensitive) in TheFileSystem(), replacing an
/// earlier one. It then receives the paths on that drive without the "Z:" prefix
/// ("Z:/Synvora/images" arrives as "/Synvora/images"). Raises 52 for a character that is no letter.
void MountDrive(char letter, std::shared_ptr<FileSystem> drive);

/// Removes a drive letter's file system from TheFileSystem(); nothing happens when none is
/// mounted. Paths on that drive then answer as on a drive that does not exist.
void UnmountDrive(char letter);

bool IsDriveMounted(char letter);

}  // namespace synvora
