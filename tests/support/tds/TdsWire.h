#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/posix/UniqueFd.h"

namespace synvora::test::tds {

/// Message types of the packet header.
enum PacketType : std::uint8_t {
    kSqlBatchPacket = 0x01,
    kReplyPacket = 0x04,
    kAttentionPacket = 0x06,
    kLogin7Packet = 0x10,
    kPreloginPacket = 0x12,
};

/// A client message, its packets joined.
struct Message {
    std::uint8_t type = 0;
    std::string payload;
};

/// One client's connection: whole messages in, and replies split into packets of the size agreed
/// at login.
class PacketStream {
public:
    explicit PacketStream(UniqueFd socket) : m_socket(std::move(socket)) {}

    /// The next message; nothing when the client has gone or sent something that is no packet.
    std::optional<Message> Read();
    /// False when the client cannot be reached any more.
    bool Send(std::uint8_t type, std::string_view payload);
    void SetPacketSize(std::size_t size) { m_packetSize = size; }
    int Descriptor() const { return m_socket.Get(); }

private:
    bool ReadExactly(char* buffer, std::size_t size);

    UniqueFd m_socket;
    std::size_t m_packetSize = 4096;
};

/// A message of the server to the client (an INFO or an ERROR token).
struct ServerMessage {
    std::int32_t number = 0;
    std::uint8_t state = 1;
    std::uint8_t severity = 0;  // above 10: an error
    std::string text;
    std::string server;
    std::int32_t line = 1;
};

/// DONE status bits.
enum DoneStatus : std::uint16_t {
    kDoneFinal = 0x00,
    kDoneMore = 0x01,
    kDoneError = 0x02,
    kDoneCount = 0x10,
    kDoneAttention = 0x20,
};

/// Token writers: each appends one token of the reply stream (little-endian, text in UTF-16).
void AppendMessage(std::string& out, const ServerMessage& message);
void AppendDone(std::string& out, std::uint16_t status, std::uint64_t rows = 0);
void AppendEnvironmentChange(std::string& out, std::uint8_t kind, std::string_view newValue,
                             std::string_view oldValue);
void AppendLoginAck(std::string& out, std::string_view programName);
/// Column descriptions: every column NVARCHAR(MAX), nullable, so values of any length fit.
void AppendColumns(std::string& out, const std::vector<std::string>& names);
void AppendRow(std::string& out, const std::vector<std::optional<std::string>>& values);

/// The payload of a PRELOGIN reply: the server's version, encryption not supported, no instance,
/// no multiple active result sets.
std::string PreloginReply();

/// UTF-16LE bytes to UTF-8; malformed text becomes U+FFFD.
std::string FromUtf16Bytes(std::string_view bytes);

}  // namespace synvora::test::tds
