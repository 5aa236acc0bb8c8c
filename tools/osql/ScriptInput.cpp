#include "ScriptInput.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "files/ErrorCodes.h"
#include "files/MigrationError.h"

namespace synvora::osql {
namespace {

constexpr std::size_t kChunkBytes = 64 * 1024;

[[noreturn]] void ThrowInput(const std::string& message) {
    throw MigrationError(ErrorCode::kClientInput, "osql.exe", message);
}

[[noreturn]] void ThrowUnreadable(const std::string& inputName, const MigrationError& failure) {
    ThrowInput("cannot read " + inputName + ": " + failure.Description());
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

std::string ReadScriptBytes(ByteStream& input, const std::string& inputName, std::size_t limit) {
    // A regular file that is too large is refused without reading it; other inputs (pipes,
    // devices) are counted as they come.
    const std::optional<std::uint64_t> size = input.FileSize();
    if (size && *size > limit) {
        ThrowTooLarge(inputName, limit);
    }
    std::string bytes;
    std::size_t line = 1;
    std::vector<char> chunk(kChunkBytes);
    for (;;) {
        std::size_t count = 0;
        try {
            count = input.Read(chunk);
        } catch (const MigrationError& failure) {
            ThrowUnreadable(inputName, failure);
        }
        if (count == 0) {
            return bytes;
        }
        const std::string_view got(chunk.data(), count);
        if (bytes.size() + got.size() > limit) {
            ThrowTooLarge(inputName, limit);
        }
        RefuseNulByte(got, line, inputName);
        bytes.append(got);
    }
}

std::string ReadScriptInput(const std::optional<std::string>& inputFile) {
    if (!inputFile) {
        return ReadScriptBytes(*StandardInput(), "standard input");
    }
    const std::string inputName = "the input file " + *inputFile;
    std::unique_ptr<ByteStream> input;
    try {
        input = OpenInputFile(*inputFile);
    } catch (const MigrationError& failure) {
        ThrowUnreadable(inputName, failure);
    }
    return ReadScriptBytes(*input, inputName);
}

}  // namespace synvora::osql
