#include "TdsWire.h"

#include <sys/socket.h>

#include <algorithm>
#include <cerrno>

#include "database/odbc/Utf16.h"

namespace synvora::test::tds {
namespace {

constexpr std::size_t kHeaderSize = 8;
constexpr std::uint8_t kEndOfMessage = 0x01;
// Larger requests than any test sends are taken for garbage rather than buffered.
constexpr std::size_t kLargestMessage = 64 * 1024 * 1024;
// Limits of the one- and two-byte length prefixes.
constexpr std::size_t kLongestShortText = 255;
constexpr std::size_t kLongestMessageText = 4000;

enum TokenType : std::uint8_t {
    kColumnsToken = 0x81,
    kErrorToken = 0xAA,
    kInfoToken = 0xAB,
    kLoginAckToken = 0xAD,
    kRowToken = 0xD1,
    kEnvironmentChangeToken = 0xE3,
    kDoneToken = 0xFD,
};

constexpr std::uint8_t kNVarCharType = 0xE7;
constexpr std::uint16_t kMaxLength = 0xFFFF;
constexpr std::uint16_t kNullableColumn = 0x0001;
constexpr std::uint64_t kNullValue = 0xFFFFFFFFFFFFFFFFull;
// Latin1_General_CI_AS: the collation column descriptions carry; text travels as UTF-16 anyway.
constexpr char kCollation[] = {0x09, 0x04, static_cast<char>(0xD0), 0x00, 0x34};

template <typename Integer>
void AppendLittleEndian(std::string& out, Integer value) {
    for (std::size_t i = 0; i < sizeof(Integer); ++i) {
        out += static_cast<char>((static_cast<std::uint64_t>(value) >> (8 * i)) & 0xFF);
    }
}

std::u16string Utf16(std::string_view utf8, std::size_t longest) {
    std::u16string text = odbc::Utf8ToUtf16(utf8);
    if (text.size() > longest) {
        text.resize(longest);
    }
    return text;
}

void AppendUtf16(std::string& out, std::u16string_view text) {
    for (char16_t unit : text) {
        AppendLittleEndian<std::uint16_t>(out, unit);
    }
}

/// B_VARCHAR: a one-byte count of UTF-16 units, then the text.
void AppendShortText(std::string& out, std::string_view utf8) {
    const std::u16string text = Utf16(utf8, kLongestShortText);
    out += static_cast<char>(text.size());
    AppendUtf16(out, text);
}

/// Tokens whose body follows a two-byte length.
void AppendWithLength(std::string& out, std::uint8_t token, const std::string& body) {
    out += static_cast<char>(token);
    AppendLittleEndian<std::uint16_t>(out, static_cast<std::uint16_t>(body.size()));
    out += body;
}

}  // namespace

std::optional<Message> PacketStream::Read() {
    Message message;
    for (;;) {
        unsigned char header[kHeaderSize];
        if (!ReadExactly(reinterpret_cast<char*>(header), kHeaderSize)) {
            return std::nullopt;
        }
        const std::size_t length = (std::size_t{header[2]} << 8) | header[3];
        if (length < kHeaderSize || message.payload.size() + length > kLargestMessage) {
            return std::nullopt;
        }
        message.type = header[0];
        const std::size_t start = message.payload.size();
        message.payload.resize(start + length - kHeaderSize);
        if (!ReadExactly(message.payload.data() + start, length - kHeaderSize)) {
            return std::nullopt;
        }
        if ((header[1] & kEndOfMessage) != 0) {
            return message;
        }
    }
}

bool PacketStream::Send(std::uint8_t type, std::string_view payload) {
    const std::size_t room = m_packetSize - kHeaderSize;
    std::uint8_t packetNumber = 1;
    std::size_t offset = 0;
    do {
        const std::size_t size = std::min(room, payload.size() - offset);
        const bool last = offset + size == payload.size();
        std::string packet;
        packet += static_cast<char>(type);
        packet += static_cast<char>(last ? kEndOfMessage : 0);
        packet += static_cast<char>((size + kHeaderSize) >> 8);
        packet += static_cast<char>((size + kHeaderSize) & 0xFF);
        packet.append({0, 0});  // session id
        packet += static_cast<char>(packetNumber++);
        packet += '\0';  // window
        packet.append(payload.substr(offset, size));
        for (std::size_t sent = 0; sent < packet.size();) {
            const ssize_t count =
                ::send(m_socket.Get(), packet.data() + sent, packet.size() - sent, MSG_NOSIGNAL);
            if (count < 0 && errno == EINTR) {
                continue;
            }
            if (count <= 0) {
                return false;
            }
            sent += static_cast<std::size_t>(count);
        }
        offset += size;
    } while (offset < payload.size());
    return true;
}

bool PacketStream::ReadExactly(char* buffer, std::size_t size) {
    for (std::size_t done = 0; done < size;) {
        const ssize_t count = ::recv(m_socket.Get(), buffer + done, size - done, 0);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(count);
    }
    return true;
}

void AppendMessage(std::string& out, const ServerMessage& message) {
    std::string body;
    AppendLittleEndian<std::int32_t>(body, message.number);
    body += static_cast<char>(message.state);
    body += static_cast<char>(message.severity);
    const std::u16string text = Utf16(message.text, kLongestMessageText);
    AppendLittleEndian<std::uint16_t>(body, static_cast<std::uint16_t>(text.size()));
    AppendUtf16(body, text);
    AppendShortText(body, message.server);
    AppendShortText(body, "");  // no procedure
    AppendLittleEndian<std::int32_t>(body, message.line);
    AppendWithLength(out, message.severity > 10 ? kErrorToken : kInfoToken, body);
}

void AppendDone(std::string& out, std::uint16_t status, std::uint64_t rows) {
    out += static_cast<char>(kDoneToken);
    AppendLittleEndian<std::uint16_t>(out, status);
    AppendLittleEndian<std::uint16_t>(out, 0);  // current command: not told
    AppendLittleEndian<std::uint64_t>(out, rows);
}

void AppendEnvironmentChange(std::string& out, std::uint8_t kind, std::string_view newValue,
                             std::string_view oldValue) {
    std::string body;
    body += static_cast<char>(kind);
    AppendShortText(body, newValue);
    AppendShortText(body, oldValue);
    AppendWithLength(out, kEnvironmentChangeToken, body);
}

void AppendLoginAck(std::string& out, std::string_view programName) {
    std::string body;
    body += '\x01';                         // the interface: T-SQL
    body.append({0x74, 0x00, 0x00, 0x04});  // TDS 7.4, most significant byte first
    AppendShortText(body, programName);
    body.append({0x10, 0x00, 0x00, 0x00});  // program version 16.0.0
    AppendWithLength(out, kLoginAckToken, body);
}

void AppendColumns(std::string& out, const std::vector<std::string>& names) {
    out += static_cast<char>(kColumnsToken);
    AppendLittleEndian<std::uint16_t>(out, static_cast<std::uint16_t>(names.size()));
    for (const std::string& name : names) {
        AppendLittleEndian<std::uint32_t>(out, 0);  // user type
        AppendLittleEndian<std::uint16_t>(out, kNullableColumn);
        out += static_cast<char>(kNVarCharType);
        AppendLittleEndian<std::uint16_t>(out, kMaxLength);
        out.append(kCollation, sizeof(kCollation));
        AppendShortText(out, name);
    }
}

void AppendRow(std::string& out, const std::vector<std::optional<std::string>>& values) {
    out += static_cast<char>(kRowToken);
    for (const std::optional<std::string>& value : values) {
        if (!value) {
            AppendLittleEndian<std::uint64_t>(out, kNullValue);
            continue;
        }
        // A partly length-prefixed value: its total size, one chunk, and the empty chunk that ends it.
        const std::u16string text = odbc::Utf8ToUtf16(*value);
        const std::uint32_t bytes = static_cast<std::uint32_t>(text.size() * 2);
        AppendLittleEndian<std::uint64_t>(out, bytes);
        if (bytes > 0) {
            AppendLittleEndian<std::uint32_t>(out, bytes);
            AppendUtf16(out, text);
        }
        AppendLittleEndian<std::uint32_t>(out, 0);
    }
}

std::string PreloginReply() {
    enum Option : char { kVersion = 0, kEncryption = 1, kInstance = 2, kThreadId = 3, kMars = 4 };
    constexpr char kEncryptionNotSupported = 0x02;
    const std::vector<std::pair<char, std::string>> options = {
        {kVersion, std::string("\x10\x00\x00\x00\x00\x00", 6)},
        {kEncryption, std::string(1, kEncryptionNotSupported)},
        {kInstance, std::string(1, '\0')},
        {kThreadId, std::string()},
        {kMars, std::string(1, '\0')},
    };
    std::string table;
    std::string data;
    const std::size_t tableSize = options.size() * 5 + 1;
    for (const auto& [option, value] : options) {
        const std::size_t offset = tableSize + data.size();
        table += option;
        table += static_cast<char>(offset >> 8);
        table += static_cast<char>(offset & 0xFF);
        table += static_cast<char>(value.size() >> 8);
        table += static_cast<char>(value.size() & 0xFF);
        data += value;
    }
    table += '\xFF';
    return table + data;
}

std::string FromUtf16Bytes(std::string_view bytes) {
    std::u16string text(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                        (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    }
    return odbc::Utf16ToUtf8(text);
}

}  // namespace synvora::test::tds
