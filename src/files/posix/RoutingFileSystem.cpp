#include "RoutingFileSystem.h"

#include <algorithm>
#include <cctype>

#include "LocalFileSystem.h"
#include "files/ErrorCodes.h"
#include "files/Paths.h"
#include "files/PlatformErrors.h"
#include "files/StreamedCopy.h"

namespace synvora {
namespace {

std::size_t DriveIndex(char letter) {
    const auto upper = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
    if (upper < 'A' || upper > 'Z') {
        ThrowPlatformErrorNumber(PlatformError::kBadFileNameOrNumber);
    }
    return static_cast<std::size_t>(upper - 'A');
}

// "Z:\Synvora\images", "Z:/Synvora/images" and "Z:Synvora/images" all reach the drive as
// "/Synvora/images"; "Z:" alone is the drive's root. A drive holds Windows paths, in which "\" is
// always a separator and never part of a name.
std::string PathOnDrive(const std::string& path) {
    std::string rest = path.substr(2);
    std::replace(rest.begin(), rest.end(), '\\', '/');
    if (rest.empty() || rest.front() != '/') {
        rest.insert(rest.begin(), '/');
    }
    return rest;
}

RoutingFileSystem& TheRouter() {
    static RoutingFileSystem router;
    return router;
}

}  // namespace

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

RoutingFileSystem::RoutingFileSystem() : RoutingFileSystem(std::make_shared<LocalFileSystem>()) {}

RoutingFileSystem::RoutingFileSystem(std::shared_ptr<FileSystem> local) : m_local(std::move(local)) {}

void RoutingFileSystem::MountDrive(char letter, std::shared_ptr<FileSystem> drive) {
    m_drives[DriveIndex(letter)] = std::move(drive);
}

void RoutingFileSystem::UnmountDrive(char letter) {
    m_drives[DriveIndex(letter)].reset();
}

bool RoutingFileSystem::IsDriveMounted(char letter) const {
    return std::isalpha(static_cast<unsigned char>(letter)) != 0 && m_drives[DriveIndex(letter)] != nullptr;
}

std::optional<RoutingFileSystem::Route> RoutingFileSystem::FindRoute(const std::string& path) const {
    if (!IsDrivePath(path)) {
        return Route{m_local, path};
    }
    auto drive = m_drives[DriveIndex(path[0])];
    if (!drive) {
        return std::nullopt;
    }
    return Route{std::move(drive), PathOnDrive(path)};
}

RoutingFileSystem::Route RoutingFileSystem::RouteOrFail(const std::string& path) const {
    auto route = FindRoute(path);
    if (!route) {
        ThrowPlatformErrorNumber(PlatformError::kDiskNotReady);
    }
    return std::move(*route);
}

bool RoutingFileSystem::FileExists(const std::string& path) {
    const auto route = FindRoute(path);
    return route && route->fileSystem->FileExists(route->path);
}

bool RoutingFileSystem::FolderExists(const std::string& path) {
    const auto route = FindRoute(path);
    return route && route->fileSystem->FolderExists(route->path);
}

void RoutingFileSystem::CreateFolder(const std::string& path) {
    const Route route = RouteOrFail(path);
    route.fileSystem->CreateFolder(route.path);
}

void RoutingFileSystem::CopyFile(const std::string& source, const std::string& destination, bool overwrite) {
    const Route from = RouteOrFail(source);
    const Route to = RouteOrFail(destination);
    if (from.fileSystem == to.fileSystem) {
        from.fileSystem->CopyFile(from.path, to.path, overwrite);
    } else {
        CopyFileAcross(*from.fileSystem, from.path, *to.fileSystem, to.path, overwrite);
    }
}

void RoutingFileSystem::CopyFolder(const std::string& source, const std::string& destination,
                                   const FolderCopyOptions& options) {
    const Route from = RouteOrFail(source);
    const Route to = RouteOrFail(destination);
    if (from.fileSystem == to.fileSystem) {
        from.fileSystem->CopyFolder(from.path, to.path, options);
    } else {
        CopyFolderAcross(*from.fileSystem, from.path, *to.fileSystem, to.path, options);
    }
}

int RoutingFileSystem::Attributes(const std::string& path) {
    const Route route = RouteOrFail(path);
    return route.fileSystem->Attributes(route.path);
}

std::optional<PathInfo> RoutingFileSystem::Inspect(const std::string& path) {
    const Route route = RouteOrFail(path);
    return route.fileSystem->Inspect(route.path);
}

std::vector<FolderEntry> RoutingFileSystem::ListFolder(const std::string& path) {
    const Route route = RouteOrFail(path);
    return route.fileSystem->ListFolder(route.path);
}

std::unique_ptr<FileReader> RoutingFileSystem::OpenForReading(const std::string& path) {
    const Route route = RouteOrFail(path);
    return route.fileSystem->OpenForReading(route.path);
}

std::unique_ptr<FileReader> RoutingFileSystem::OpenListedFile(const std::string& path,
                                                              const FolderEntry& listed) {
    const Route route = RouteOrFail(path);
    return route.fileSystem->OpenListedFile(route.path, listed);
}

std::unique_ptr<FileWriter> RoutingFileSystem::CreateFileWriter(const std::string& path) {
    const Route route = RouteOrFail(path);
    return route.fileSystem->CreateFileWriter(route.path);
}

std::unique_ptr<DestinationFolder> RoutingFileSystem::OpenDestinationFolder(const std::string& path) {
    const Route route = RouteOrFail(path);
    return route.fileSystem->OpenDestinationFolder(route.path);
}

std::string RoutingFileSystem::ReadFile(const std::string& path) {
    const Route route = RouteOrFail(path);
    return route.fileSystem->ReadFile(route.path);
}

void RoutingFileSystem::ReplaceFile(const std::string& path, std::string_view content) {
    const Route route = RouteOrFail(path);
    route.fileSystem->ReplaceFile(route.path, content);
}

void RoutingFileSystem::CreateEmptyFile(const std::string& path) {
    const Route route = RouteOrFail(path);
    route.fileSystem->CreateEmptyFile(route.path);
}

void RoutingFileSystem::AppendToFile(const std::string& path, std::string_view content) {
    const Route route = RouteOrFail(path);
    route.fileSystem->AppendToFile(route.path, content);
}

void RoutingFileSystem::RestrictToOwner(const std::string& path) {
    const Route route = RouteOrFail(path);
    route.fileSystem->RestrictToOwner(route.path);
}

}  // namespace synvora
