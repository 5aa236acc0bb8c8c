// The client's files and standard streams on Linux: descriptors.

#include "ClientStreams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "files/PlatformErrors.h"
#include "files/posix/UniqueFd.h"

namespace synvora::osql {
namespace {

constexpr mode_t kFileMode = 0644;

class DescriptorStream final : public ByteStream {
public:
    DescriptorStream(UniqueFd owned, int fd) : m_owned(std::move(owned)), m_fd(fd) {}

    std::size_t Read(std::span<char> buffer) override {
        for (;;) {
            const ssize_t count = ::read(m_fd, buffer.data(), buffer.size());
            if (count >= 0) {
                return static_cast<std::size_t>(count);
            }
            if (errno != EINTR) {
                ThrowPlatformError(errno);
            }
        }
    }

    void WriteAll(std::string_view bytes) override {
        while (!bytes.empty()) {
            const ssize_t written = ::write(m_fd, bytes.data(), bytes.size());
            if (written < 0) {
                if (errno == EINTR) {
                    continue;
                }
                ThrowPlatformError(errno);
            }
            bytes.remove_prefix(static_cast<std::size_t>(written));
        }
    }

    std::optional<std::uint64_t> FileSize() override {
        struct stat info {};
        if (::fstat(m_fd, &info) != 0 || !S_ISREG(info.st_mode)) {
            return std::nullopt;
        }
        return static_cast<std::uint64_t>(info.st_size);
    }

private:
    UniqueFd m_owned;
    int m_fd;
};

std::unique_ptr<ByteStream> Opened(int fd) {
    UniqueFd owned(fd);
    if (!owned.Valid()) {
        ThrowPlatformError(errno);
    }
    return std::make_unique<DescriptorStream>(std::move(owned), fd);
}

}  // namespace

std::unique_ptr<ByteStream> OpenInputFile(const std::string& path) {
    return Opened(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
}

std::unique_ptr<ByteStream> CreateOutputFile(const std::string& path) {
    return Opened(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, kFileMode));
}

std::unique_ptr<ByteStream> StandardInput() {
    return std::make_unique<DescriptorStream>(UniqueFd(), STDIN_FILENO);
}

std::unique_ptr<ByteStream> StandardOutput() {
    return std::make_unique<DescriptorStream>(UniqueFd(), STDOUT_FILENO);
}

std::optional<std::string> EnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::nullopt : std::optional<std::string>(value);
}

}  // namespace synvora::osql
