#include "wizard/toolkit/TraceFile.h"

#include <fcntl.h>
#include <unistd.h>

namespace synvora {

std::FILE* OpenTraceFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "a");
    if (file == nullptr) {
        ::close(fd);
    }
    return file;
}

}  // namespace synvora
