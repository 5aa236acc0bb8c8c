// Paths on Linux: "/" separates, and drive letters exist only for the shares the program maps.

#include <unistd.h>

#include <cerrno>
#include <vector>

#include "files/Paths.h"
#include "files/PlatformErrors.h"

namespace synvora {

const char kPathSeparator = '/';
const char kOtherPathSeparator = '\\';

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

bool IsOnNetworkDrive(std::string_view path) {
    return IsDrivePath(path);
}

}  // namespace synvora
