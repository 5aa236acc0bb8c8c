#pragma once

#include "FileSystem.h"

namespace synvora {

/// The file system of this machine, through POSIX calls. Attributes follow the convention Samba
/// uses: read-only when the owner may not write; archive for every regular file.
class LocalFileSystem final : public FileSystem {
public:
    bool FileExists(const std::string& path) override;
    bool FolderExists(const std::string& path) override;
    void CreateFolder(const std::string& path) override;
    void CopyFile(const std::string& source, const std::string& destination, bool overwrite) override;
    void CopyFolder(const std::string& source, const std::string& destination, bool overwrite) override;
    int Attributes(const std::string& path) override;
    std::string ReadFile(const std::string& path) override;
    void ReplaceFile(const std::string& path, std::string_view content) override;
    void CreateEmptyFile(const std::string& path) override;
    void AppendToFile(const std::string& path, std::string_view content) override;
};

}  // namespace synvora
