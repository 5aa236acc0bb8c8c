#pragma once

#include <memory>
#include <optional>
#include <string>

#include "UniqueFd.h"
#include "files/FileSystem.h"

namespace synvora {

/// The destination of a copy on this machine's disk, reached through open folder handles with the
/// *at calls: below the folder a copy was given, no symbolic link is ever followed, also not one
/// that takes a folder's place while the copy runs (a rename onto a link replaces the link).
/// Failures are raised through ThrowPlatformError.

/// Opens the folder a copy was given, as the path names it (links on the way followed).
UniqueFd OpenDestinationHandle(const std::string& path);

/// What stands under the name in the open folder; a link is described as a link
/// (kAttributeAlias), not as what it leads to. Nothing when the name is free.
std::optional<PathInfo> InspectEntryAt(int folderFd, const std::string& name);

/// Opens the subfolder of that name, creating it when it is missing (`created` says so). A link
/// in its place fails with a reason that says so, a file with 58 "File already exists"; neither
/// is changed.
UniqueFd OpenSubfolderAt(int folderFd, const std::string& name, bool& created);

/// Removes the regular files of the folder whose names IsLeftoverTemporaryName recognises;
/// anything it cannot list or remove is left as it is.
void RemoveLeftoverTemporariesAt(int folderFd);

/// A new file written under a temporary name in the folder and renamed to `name` by Commit; the
/// writer keeps the folder handle open as long as it needs it.
std::unique_ptr<FileWriter> CreateLocalFileWriter(UniqueFd folder, const std::string& name);

/// A DestinationFolder on this machine's disk.
class LocalDestinationFolder final : public DestinationFolder {
public:
    explicit LocalDestinationFolder(UniqueFd folder);

    std::optional<PathInfo> Inspect(const std::string& name) override;
    std::unique_ptr<DestinationFolder> OpenSubfolder(const std::string& name, bool& created) override;
    std::unique_ptr<FileWriter> CreateFileWriter(const std::string& name) override;
    void RemoveLeftoverTemporaries() override;
    std::optional<std::uint64_t> FreeSpace() override;
    /// Every call works on handles of its own: any thread may make it.
    bool TakesSeveralWriters() const override { return true; }

private:
    UniqueFd m_folder;
};

}  // namespace synvora
