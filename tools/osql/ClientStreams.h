#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace synvora::osql {

/// What the client reads its script from or writes its output to: a file or a standard stream,
/// as raw bytes. Failures raise MigrationError with a platform error (PlatformErrors.h), whose
/// description says what went wrong ("Disk full"). Platform layer: osql/posix, osql/win32.
class ByteStream {
public:
    virtual ~ByteStream() = default;

    /// Up to buffer.size() bytes; 0 at the end.
    virtual std::size_t Read(std::span<char> buffer) = 0;
    /// Writes every byte.
    virtual void WriteAll(std::string_view bytes) = 0;
    /// The size of a regular file; nothing for a pipe, a console or a device, whose size nobody
    /// knows beforehand.
    virtual std::optional<std::uint64_t> FileSize() = 0;
};

std::unique_ptr<ByteStream> OpenInputFile(const std::string& path);
/// Creates the file, or empties an existing one.
std::unique_ptr<ByteStream> CreateOutputFile(const std::string& path);
std::unique_ptr<ByteStream> StandardInput();
std::unique_ptr<ByteStream> StandardOutput();

/// The value of an environment variable as UTF-8; nothing when it is not set.
std::optional<std::string> EnvironmentValue(const char* name);

}  // namespace synvora::osql
