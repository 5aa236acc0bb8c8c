#include "FileSystem.h"

#include "RoutingFileSystem.h"

namespace synvora {
namespace {

RoutingFileSystem& TheRouter() {
    static RoutingFileSystem router;
    return router;
}

}  // namespace

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

FileSystem& TheFileSystem() {
    return TheRouter();
}

void MountDrive(char letter, std::shared_ptr<FileSystem> drive) {
    TheRouter().MountDrive(letter, std::move(drive));
}

void UnmountDrive(char letter) {
    TheRouter().UnmountDrive(letter);
}

bool IsDriveMounted(char letter) {
    return TheRouter().IsDriveMounted(letter);
}

}  // namespace synvora
