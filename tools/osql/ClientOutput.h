#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "ClientStreams.h"

namespace synvora::osql {

/// Where the client writes what the server says: an output file or standard output, always as
/// Windows-1252 text with CR LF line ends. Text is kept in a buffer and written out when the
/// buffer is full and at every Flush, so that a long run shows its progress batch by batch
/// without a write for every line. Write failures raise MigrationError (kClientOutput).
class ClientOutput {
public:
    /// Creates the file, or empties an existing one, at once.
    static ClientOutput ToFile(const std::string& path);
    static ClientOutput ToStandardOutput();

    ClientOutput(ClientOutput&& other) noexcept;
    ClientOutput& operator=(ClientOutput&&) = delete;
    /// Writes out what is left in the buffer; a failure then is ignored, as nothing could report it.
    ~ClientOutput();

    /// Appends UTF-8 text; every LF (or CR LF) in it becomes a CR LF line end.
    void Write(std::string_view text);
    /// Appends the text and a line end.
    void WriteLine(std::string_view text);
    /// Ends the current line unless nothing has been written on it.
    void EndLine();
    void Flush();

private:
    ClientOutput(std::unique_ptr<ByteStream> stream, std::string name);
    void FlushNoThrow() noexcept;

    std::unique_ptr<ByteStream> m_stream;
    std::string m_name;
    std::string m_buffer;
    bool m_atLineStart = true;
    bool m_failed = false;
};

}  // namespace synvora::osql
