#include "FileSystem.h"

#include <algorithm>
#include <vector>

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

void FileReader::StartAt(std::uint64_t offset) {
    std::vector<char> skipped(std::min<std::uint64_t>(offset, std::uint64_t{64} << 10));
    while (offset > 0) {
        const std::size_t got =
            Read(std::span<char>(skipped).first(std::min<std::uint64_t>(offset, skipped.size())));
        if (got == 0) {
            return;  // a file shorter than that: the next read finds its end
        }
        offset -= got;
    }
}

void FileWriter::WriteAt(std::uint64_t, std::string_view) {
    ThrowPlatformErrorNumber(PlatformError::kPathFileAccessError,
                             "this destination takes its files in one stream");
}

std::shared_ptr<FileSystem> FileSystem::OpenSession() {
    return nullptr;
}

}  // namespace synvora
