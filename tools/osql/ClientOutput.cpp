#include "ClientOutput.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "files/Encoding.h"
#include "files/ErrorCodes.h"
#include "files/MigrationError.h"
#include "files/PlatformErrors.h"

namespace synvora::osql {
namespace {

constexpr std::size_t kBufferLimit = 64 * 1024;
constexpr mode_t kFileMode = 0644;

/// Writes all bytes, going on after partial writes and interruptions; errno is set on failure.
bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace

std::string DescribeErrno(int errnoValue) {
    try {
        ThrowPlatformError(errnoValue);
    } catch (const MigrationError& failure) {
        return failure.Description();
    }
}

ClientOutput ClientOutput::ToFile(const std::string& path) {
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, kFileMode));
    if (!fd.Valid()) {
        ThrowPlatformError(errno);
    }
    const int raw = fd.Get();
    return ClientOutput(std::move(fd), raw, path);
}

ClientOutput ClientOutput::ToStandardOutput() {
    return ClientOutput(UniqueFd(), STDOUT_FILENO, "standard output");
}

ClientOutput::ClientOutput(UniqueFd ownedFd, int fd, std::string name)
    : m_ownedFd(std::move(ownedFd)), m_fd(fd), m_name(std::move(name)) {
    m_buffer.reserve(kBufferLimit);
}

ClientOutput::ClientOutput(ClientOutput&& other) noexcept
    : m_ownedFd(std::move(other.m_ownedFd)),
      m_fd(std::exchange(other.m_fd, -1)),
      m_name(std::move(other.m_name)),
      m_buffer(std::exchange(other.m_buffer, {})),
      m_atLineStart(other.m_atLineStart),
      m_failed(other.m_failed) {}

ClientOutput::~ClientOutput() {
    FlushNoThrow();
}

void ClientOutput::Write(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t newline = text.find('\n', start);
        std::string_view piece =
            text.substr(start, newline == std::string_view::npos ? text.npos : newline - start);
        if (newline != std::string_view::npos && !piece.empty() && piece.back() == '\r') {
            piece.remove_suffix(1);
        }
        if (!piece.empty()) {
            m_buffer += Utf8ToAnsi(piece);
            m_atLineStart = false;
        }
        if (newline == std::string_view::npos) {
            break;
        }
        m_buffer += "\r\n";
        m_atLineStart = true;
        start = newline + 1;
    }
    if (m_buffer.size() >= kBufferLimit) {
        Flush();
    }
}

void ClientOutput::WriteLine(std::string_view text) {
    Write(text);
    m_buffer += "\r\n";
    m_atLineStart = true;
}

void ClientOutput::EndLine() {
    if (!m_atLineStart) {
        m_buffer += "\r\n";
        m_atLineStart = true;
    }
}

void ClientOutput::Flush() {
    if (m_buffer.empty()) {
        return;
    }
    if (m_failed || !WriteAll(m_fd, m_buffer)) {
        const int error = m_failed ? EIO : errno;
        m_failed = true;
        m_buffer.clear();
        throw MigrationError(ErrorCode::kClientOutput, "osql.exe",
                             "cannot write to " + m_name + ": " + DescribeErrno(error));
    }
    m_buffer.clear();
}

void ClientOutput::FlushNoThrow() noexcept {
    if (m_failed || m_buffer.empty() || m_fd < 0) {
        return;
    }
    WriteAll(m_fd, m_buffer);
    m_buffer.clear();
}

}  // namespace synvora::osql
