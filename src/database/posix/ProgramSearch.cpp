#include "ProgramSearch.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>

namespace synvora {
namespace {

bool IsExecutableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::string OwnFolder() {
    std::string path(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= path.size()) {
        return {};
    }
    path.resize(static_cast<std::size_t>(length));
    return path.substr(0, path.find_last_of('/'));
}

std::string SearchPath() {
    if (const char* path = std::getenv("PATH")) {
        return path;
    }
    const std::size_t size = ::confstr(_CS_PATH, nullptr, 0);
    std::string fallback(size, '\0');
    if (size > 0) {
        ::confstr(_CS_PATH, fallback.data(), size);
        fallback.resize(size - 1);
    }
    return fallback;
}

std::string FindInPath(const std::string& name) {
    const std::string path = SearchPath();
    std::string_view rest = path;
    for (;;) {
        const std::size_t colon = rest.find(':');
        const std::string_view folder = rest.substr(0, colon);
        if (!folder.empty()) {
            std::string candidate = std::string(folder) + "/" + name;
            if (IsExecutableFile(candidate)) {
                return candidate;
            }
        }
        if (colon == std::string_view::npos) {
            return {};
        }
        rest.remove_prefix(colon + 1);
    }
}

}  // namespace

std::string FindProgram(const std::string& name) {
    if (name.empty()) {
        return {};
    }
    if (name.find('/') != std::string::npos) {
        return name;
    }
    const std::string ownFolder = OwnFolder();
    if (!ownFolder.empty()) {
        std::string candidate = ownFolder + "/" + name;
        if (IsExecutableFile(candidate)) {
            return candidate;
        }
    }
    return FindInPath(name);
}

}  // namespace synvora
