#include "ScriptInput.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "ClientOutput.h"
#include "files/ErrorCodes.h"
#include "files/MigrationError.h"
#include "files/posix/UniqueFd.h"

namespace synvora::osql {
namespace {

constexpr std::size_t kChunkBytes = 64 * 1024;

[[noreturn]] void ThrowInput(const std::string& message) {
    throw MigrationError(ErrorCode::kClientInput, "osql.exe", message);
}

[[noreturn]] void ThrowUnreadable(const std::string& inputName, int errnoValue) {
    ThrowInput("cannot read " + inputName + ": " + DescribeErrno(errnoValue));
}

[[noreturn]] void ThrowTooLarge(const std::string& inputName, std::size_t limit) {
    ThrowInput(inputName + " is larger than " + std::to_string(limit / (1024 * 1024)) +
               " MB; it is not a script, and nothing of it was run");
}

/// Refuses the bytes when they hold a NUL byte. line is the number of the line on which they begin;
/// it is moved on past them.
void RefuseNulByte(std::string_view bytes, std::size_t& line, const std::string& inputName) {
    const std::size_t nul = bytes.find('\0');
    const std::string_view before = bytes.substr(0, nul);
    const std::size_t newlines = static_cast<std::size_t>(std::count(before.begin(), before.end(), '\n'));
    if (nul != std::string_view::npos) {
        ThrowInput(inputName + " holds a NUL byte on line " + std::to_string(line + newlines) +
                   "; it is not a text script, and nothing of it was run");
    }
    line += newlines;
}

}  // namespace

std::string ReadScriptBytes(int fd, const std::string& inputName, std::size_t limit) {
    // A regular file that is too large is refused without reading it; other inputs (pipes,
    // devices) are counted as they come.
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && static_cast<std::size_t>(info.st_size) > limit) {
        ThrowTooLarge(inputName, limit);
    }
    std::string bytes;
    std::size_t line = 1;
    char chunk[kChunkBytes];
    for (;;) {
        const ssize_t count = ::read(fd, chunk, sizeof chunk);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            ThrowUnreadable(inputName, errno);
        }
        if (count == 0) {
            return bytes;
        }
        const std::string_view got(chunk, static_cast<std::size_t>(count));
        if (bytes.size() + got.size() > limit) {
            ThrowTooLarge(inputName, limit);
        }
        RefuseNulByte(got, line, inputName);
        bytes.append(got);
    }
}

std::string ReadScriptInput(const std::optional<std::string>& inputFile) {
    if (!inputFile) {
        return ReadScriptBytes(STDIN_FILENO, "standard input");
    }
    const std::string inputName = "the input file " + *inputFile;
    const UniqueFd fd(::open(inputFile->c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.Valid()) {
        ThrowUnreadable(inputName, errno);
    }
    return ReadScriptBytes(fd.Get(), inputName);
}

}  // namespace synvora::osql
