#pragma once

#include <string>

namespace synvora {

/// Copies on this machine's disk with the kernel's copy calls. Paths are local paths, already
/// freed of any drive prefix. Each file is written to a temporary name in its destination folder
/// and renamed into place, keeping the source's permission bits.

/// Creates a folder and any missing folders above it. Returns true when the folder itself was
/// created, false when it existed already; a file in its place fails (58 "File already exists").
bool CreateLocalFolder(const std::string& path);

/// One file; see FileSystem::CopyFile.
void CopyLocalFile(const std::string& source, const std::string& destination, bool overwrite);

/// A folder with its files and subfolders; see FileSystem::CopyFolder. A destination that is the
/// source or lies inside it is refused before anything is copied.
void CopyLocalFolder(const std::string& source, const std::string& destination, bool overwrite);

}  // namespace synvora
