#include "FileFunctions.h"

#include <algorithm>

#include "CopyFailures.h"
#include "ErrorCodes.h"
#include "FileSystem.h"
#include "MigrationLog.h"
#include "Paths.h"

namespace synvora {

std::string BuildPath(std::string path) {
    const std::size_t length = path.size();
    std::replace(path.begin(), path.end(), kOtherPathSeparator, kPathSeparator);
    // The trailing separator is looked for from the position of the original length on, which
    // does not exist for an empty path.
    if (length == 0) {
        WriteLogAndRaise(ErrorCode::kBuildPath, "BuildPath", "Unable to build path '" + path + "'.");
    }
    if (path.back() == kPathSeparator) {
        path.pop_back();
    }
    return path;
}

void CopyFile(const std::string& source, const std::string& destination, bool overwrite) {
    try {
        TheFileSystem().CopyFile(source, destination, overwrite);
    } catch (...) {
        WriteLogAndRaise(ErrorCode::kCopyFile, "CopyFile",
                         "Unable to copy file '" + source + "' to '" + destination + "'.");
    }
}

void CopyFolder(const std::string& source, const std::string& destination, bool overwrite) {
    FolderCopyOptions options;
    options.overwrite = overwrite;
    CopyFolder(source, destination, options);
}

void CopyFolder(const std::string& source, const std::string& destination, const FolderCopyOptions& options) {
    try {
        TheFileSystem().CopyFolder(source, destination, options);
    } catch (const FolderCopyError& failure) {
        // The entry that failed, and why, before the folder's own entry: innermost first.
        WriteLog(failure.Number(), failure.Source(), failure.Cause(), false);
        WriteLogAndRaise(ErrorCode::kCopyFolder, "CopyFile",
                         "Unable to copy Folder '" + source + "' to '" + destination + "'.");
    } catch (...) {
        WriteLogAndRaise(ErrorCode::kCopyFolder, "CopyFile",
                         "Unable to copy Folder '" + source + "' to '" + destination + "'.");
    }
}

bool FolderExists(const std::string& path) noexcept {
    try {
        return TheFileSystem().FolderExists(path);
    } catch (...) {
        return false;
    }
}

void CreateFolder(const std::string& path) {
    try {
        TheFileSystem().CreateFolder(path);
    } catch (...) {
        WriteLogAndRaise(ErrorCode::kCreateFolder, "CopyFile", "Unable to create folder. " + path);
    }
}

}  // namespace synvora
