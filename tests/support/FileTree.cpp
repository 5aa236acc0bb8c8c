#include "FileTree.h"

#include <sys/stat.h>

#include <filesystem>

#include "TempDir.h"

namespace synvora::test {

namespace fs = std::filesystem;

void WriteTree(const std::string& root, const FileTree& tree) {
    for (const auto& [relative, bytes] : tree) {
        const fs::path path = fs::path(root) / relative;
        if (!relative.empty() && relative.back() == '/') {
            fs::create_directories(path);
            continue;
        }
        fs::create_directories(path.parent_path());
        WriteBytes(path.string(), bytes);
    }
}

FileTree ReadTree(const std::string& root) {
    FileTree tree;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        const std::string relative = fs::relative(it->path(), root).string();
        if (it->is_symlink()) {
            tree[relative + " -> " + fs::read_symlink(it->path()).string()] = "";
            it.disable_recursion_pending();
        } else if (it->is_directory()) {
            if (fs::is_empty(it->path())) {
                tree[relative + "/"] = "";
            }
        } else {
            tree[relative] = ReadBytes(it->path().string());
        }
    }
    return tree;
}

int PermissionsOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return -1;
    }
    return static_cast<int>(info.st_mode & 0777);
}

}  // namespace synvora::test
