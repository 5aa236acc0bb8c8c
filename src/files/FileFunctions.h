#pragma once

#include <string>

#include "CopyProgress.h"

namespace synvora {

/// Path, file and folder procedures of the FileFunctions module, on top of TheFileSystem(). Each
/// failing procedure writes one entry to Migration.log and raises it as MigrationError (see
/// WriteLog); the file system's own description of the cause is not logged. CopyFolder and
/// CreateFolder log under the source name "CopyFile".

/// Turns every kOtherPathSeparator into kPathSeparator, then drops one trailing kPathSeparator
/// ("C:\dir\sub\" gives "C:/dir/sub" here; "D:\" gives "D:"; a path ending in two separators keeps
/// one). Nothing else is changed. An empty path fails: "Unable to build path ''.".
std::string BuildPath(std::string path);

/// Copies one file, keeping its permissions. With overwrite an existing destination file is
/// replaced; a read-only destination file never is and makes the call fail.
void CopyFile(const std::string& source, const std::string& destination, bool overwrite);

/// Copies a folder with its files and subfolders. destination names the copy itself: it is
/// created (with any missing parents) or merged into, files of the same name being replaced when
/// overwrite is set and other files there left alone. A file that cannot be copied (a read-only
/// destination file, for one) does not stop the rest: the copy goes as far as it can and then
/// fails. No file is ever left half-written.
void CopyFolder(const std::string& source, const std::string& destination, bool overwrite);

/// CopyFolder with the options of FileSystem::CopyFolder: a watched copy that can be stopped
/// (a stop is logged as any failure), and files already complete at the destination kept.
void CopyFolder(const std::string& source, const std::string& destination, const FolderCopyOptions& options);

/// True when a folder exists at the path. Never fails and never logs: a path that cannot be
/// tested gives false.
bool FolderExists(const std::string& path) noexcept;

/// Creates the folder and any missing parent folders; an existing folder is left as it is.
void CreateFolder(const std::string& path);

}  // namespace synvora
