#include "FileTree.h"

#include <filesystem>

#include "TempDir.h"

namespace synvora::test {

namespace fs = std::filesystem;

void WriteTree(const std::string& root, const FileTree& tree) {
    for (const auto& [relative, bytes] : tree) {
        const fs::path path = FsPath(root) / FsPath(relative);
        if (!relative.empty() && relative.back() == '/') {
            fs::create_directories(path);
            continue;
        }
        fs::create_directories(path.parent_path());
        WriteBytes(Utf8Path(path), bytes);
    }
}

FileTree ReadTree(const std::string& root) {
    FileTree tree;
    for (auto it = fs::recursive_directory_iterator(FsPath(root)); it != fs::recursive_directory_iterator();
         ++it) {
        // "/" between the names on every system, as the trees are written.
        const std::u8string generic = fs::relative(it->path(), FsPath(root)).generic_u8string();
        const std::string relative(generic.begin(), generic.end());
        if (it->is_symlink()) {
            tree[relative + " -> " + Utf8Path(fs::read_symlink(it->path()))] = "";
            it.disable_recursion_pending();
        } else if (it->is_directory()) {
            if (fs::is_empty(it->path())) {
                tree[relative + "/"] = "";
            }
        } else {
            tree[relative] = ReadBytes(Utf8Path(it->path()));
        }
    }
    return tree;
}

}  // namespace synvora::test
