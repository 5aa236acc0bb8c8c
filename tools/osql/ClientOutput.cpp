#include "ClientOutput.h"

#include <utility>

#include "files/Encoding.h"
#include "files/ErrorCodes.h"
#include "files/MigrationError.h"
#include "files/PlatformErrors.h"

namespace synvora::osql {
namespace {

constexpr std::size_t kBufferLimit = 64 * 1024;

}  // namespace

ClientOutput ClientOutput::ToFile(const std::string& path) {
    return ClientOutput(CreateOutputFile(path), path);
}

ClientOutput ClientOutput::ToStandardOutput() {
    return ClientOutput(StandardOutput(), "standard output");
}

ClientOutput::ClientOutput(std::unique_ptr<ByteStream> stream, std::string name)
    : m_stream(std::move(stream)), m_name(std::move(name)) {
    m_buffer.reserve(kBufferLimit);
}

ClientOutput::ClientOutput(ClientOutput&& other) noexcept
    : m_stream(std::move(other.m_stream)),
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
    // After a failed write nothing more is written: the output would have a gap.
    std::string failure = m_failed ? PlatformErrorDescription(PlatformError::kPathFileAccessError) : "";
    if (!m_failed) {
        try {
            m_stream->WriteAll(m_buffer);
        } catch (const MigrationError& error) {
            failure = error.Description();
        }
    }
    m_buffer.clear();
    if (!failure.empty()) {
        m_failed = true;
        throw MigrationError(ErrorCode::kClientOutput, "osql.exe",
                             "cannot write to " + m_name + ": " + failure);
    }
}

void ClientOutput::FlushNoThrow() noexcept {
    if (m_failed || m_buffer.empty() || !m_stream) {
        return;
    }
    try {
        m_stream->WriteAll(m_buffer);
    } catch (const MigrationError&) {
        // Nothing is left to report it to.
    }
    m_buffer.clear();
}

}  // namespace synvora::osql
