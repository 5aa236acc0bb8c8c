#include "FileSystem.h"

#include "ErrorCodes.h"
#include "PlatformErrors.h"

namespace synvora {

void FileSystem::CopyFolder(const std::string& source, const std::string& destination, bool overwrite) {
    FolderCopyOptions options;
    options.overwrite = overwrite;
    CopyFolder(source, destination, options);
}

std::unique_ptr<FileReader> FileSystem::OpenListedFile(const std::string& path, const FolderEntry&) {
    return OpenForReading(path);
}

void FileWriter::WriteAt(std::uint64_t, std::string_view) {
    ThrowPlatformErrorNumber(PlatformError::kPathFileAccessError,
                             "this destination takes its files in one stream");
}

std::shared_ptr<FileSystem> FileSystem::OpenSession() {
    return nullptr;
}

}  // namespace synvora
