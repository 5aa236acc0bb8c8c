#include "Paths.h"

#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <vector>

#include "PlatformErrors.h"

namespace synvora {

std::string JoinPath(std::string_view folder, std::string_view name) {
    std::string path;
    path.reserve(folder.size() + 1 + name.size());
    path.append(folder);
    path.push_back(kPathSeparator);
    path.append(name);
    return path;
}

std::string CurrentDirectory() {
    std::vector<char> buffer(4096);
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) {
            ThrowPlatformError(errno);
        }
        buffer.resize(buffer.size() * 2);
    }
    return std::string(buffer.data());
}

bool IsDrivePath(std::string_view path) {
    return path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0])) != 0;
}

}  // namespace synvora
