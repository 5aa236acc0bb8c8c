#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "files/FileSystem.h"
#include "files/win32/UniqueHandle.h"

namespace synvora {

/// The destination of a copy on a Windows drive. Windows offers no calls relative to an open
/// folder (short of the native API), so each folder is reached by its path, and open handles keep
/// that path true: every folder from the one a copy was given down to the one it writes into is
/// held open without FILE_SHARE_DELETE, and Windows refuses to rename or remove a folder held so,
/// or one with a folder held open below it; a link cannot take its place while the copy runs.
/// Below the given folder nothing is opened through a reparse point (FILE_FLAG_OPEN_REPARSE_POINT):
/// a link where a folder should be is refused, and a file's name is taken by renaming a temporary
/// onto it, which replaces a link instead of writing through it.
class Win32DestinationFolder final : public DestinationFolder {
public:
    /// Opens the folder a copy was given, as the path names it (links on the way followed); the
    /// copy then goes by the system's final path of that folder.
    static std::unique_ptr<DestinationFolder> Open(const std::string& path);

    Win32DestinationFolder(UniqueHandle folder, std::string finalPath)
        : m_folder(std::move(folder)), m_path(std::move(finalPath)) {}

    std::optional<PathInfo> Inspect(const std::string& name) override;
    std::unique_ptr<DestinationFolder> OpenSubfolder(const std::string& name, bool& created) override;
    std::unique_ptr<FileWriter> CreateFileWriter(const std::string& name) override;
    void RemoveLeftoverTemporaries() override;
    /// The bytes this program's user may still take on the folder's volume (quotas counted).
    std::optional<std::uint64_t> FreeSpace() override;
    /// Every call goes by path with handles of its own: any thread may make it.
    bool TakesSeveralWriters() const override { return true; }

private:
    std::string Child(const std::string& name) const { return m_path + "\\" + name; }

    UniqueHandle m_folder;
    std::string m_path;
};

/// A new file written under a hidden temporary name in its folder and renamed to the path by
/// Commit (Win32FileSystem.cpp); `keepOpen` is held until the writer ends.
std::unique_ptr<FileWriter> CreateWin32FileWriter(const std::string& path, UniqueHandle keepOpen = {});

}  // namespace synvora
