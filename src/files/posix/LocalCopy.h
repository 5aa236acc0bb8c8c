#pragma once

#include <string>

#include "files/CopyProgress.h"

namespace synvora {

/// Copies on this machine's disk with the kernel's copy calls. Paths are local paths, already
/// freed of any drive prefix. Each file is written to a temporary name in its destination folder
/// and renamed into place, keeping the source's permission bits and modification time.

/// Creates a folder and any missing folders above it. Returns true when the folder itself was
/// created, false when it existed already; a file in its place fails (58 "File already exists").
bool CreateLocalFolder(const std::string& path);

/// One file; see FileSystem::CopyFile.
void CopyLocalFile(const std::string& source, const std::string& destination, bool overwrite);

/// A folder with its files and subfolders; see FileSystem::CopyFolder. A destination that is the
/// source or lies inside it is refused before anything is copied. totals is what a watching
/// monitor is told the copy adds up to.
void CopyLocalFolder(const std::string& source, const std::string& destination,
                     const FolderCopyOptions& options, CopyTotals totals);

}  // namespace synvora
