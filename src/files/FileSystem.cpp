#include "FileSystem.h"

namespace synvora {

void FileSystem::CopyFolder(const std::string& source, const std::string& destination, bool overwrite) {
    FolderCopyOptions options;
    options.overwrite = overwrite;
    CopyFolder(source, destination, options);
}

std::unique_ptr<FileReader> FileSystem::OpenListedFile(const std::string& path, const FolderEntry&) {
    return OpenForReading(path);
}

std::shared_ptr<FileSystem> FileSystem::OpenSession() {
    return nullptr;
}

}  // namespace synvora
