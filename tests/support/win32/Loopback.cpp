// Loopback sockets on Windows (Winsock; under Wine this machine's own sockets).

#include "support/Loopback.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <stdexcept>
#include <utility>

namespace synvora::test {
namespace {

/// Winsock started for the whole test program, before the first socket.
void StartWinsock() {
    static const bool started = [] {
        WSADATA data{};
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    if (!started) {
        throw std::runtime_error("cannot start Winsock");
    }
}

sockaddr_in LoopbackAddress(int port, const std::string& host = "127.0.0.1") {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    ::inet_pton(AF_INET, host.c_str(), &address.sin_addr);
    address.sin_port = htons(static_cast<u_short>(port));
    return address;
}

/// Owns a socket; closes it on destruction.
class UniqueSocket {
public:
    explicit UniqueSocket(SOCKET socket) noexcept : m_socket(socket) {}
    UniqueSocket(UniqueSocket&& other) noexcept : m_socket(other.Release()) {}
    UniqueSocket(const UniqueSocket&) = delete;
    UniqueSocket& operator=(const UniqueSocket&) = delete;
    ~UniqueSocket() {
        if (Valid()) {
            ::closesocket(m_socket);
        }
    }

    SOCKET Get() const noexcept { return m_socket; }
    bool Valid() const noexcept { return m_socket != INVALID_SOCKET; }
    SOCKET Release() noexcept { return std::exchange(m_socket, INVALID_SOCKET); }

private:
    SOCKET m_socket;
};

UniqueSocket BoundSocket(int& boundPort, int port = 0, const std::string& host = "127.0.0.1") {
    StartWinsock();
    UniqueSocket socket(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in address = LoopbackAddress(port, host);
    int length = sizeof(address);
    if (!socket.Valid() ||
        ::bind(socket.Get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::getsockname(socket.Get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        throw std::runtime_error("cannot bind a port on " + host);
    }
    boundPort = ntohs(address.sin_port);
    return socket;
}

}  // namespace

int FreeLoopbackPort() {
    int port = 0;
    BoundSocket(port);
    return port;
}

bool AcceptsConnections(int port) {
    StartWinsock();
    const UniqueSocket socket(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    const sockaddr_in address = LoopbackAddress(port);
    return socket.Valid() &&
           ::connect(socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
}

SilentServer::SilentServer() : SilentServer("127.0.0.1", 0) {}

SilentServer::SilentServer(const std::string& address, int port) {
    UniqueSocket socket = BoundSocket(m_port, port, address);
    // Counting must not wait for a connection that never comes.
    u_long nonBlocking = 1;
    if (::ioctlsocket(socket.Get(), FIONBIO, &nonBlocking) != 0 || ::listen(socket.Get(), 16) != 0) {
        throw std::runtime_error("cannot listen on " + address);
    }
    m_socket = static_cast<std::intptr_t>(socket.Release());
}

SilentServer::~SilentServer() {
    UniqueSocket(static_cast<SOCKET>(m_socket));
}

int SilentServer::Connections() {
    for (;;) {
        const UniqueSocket accepted(::accept(static_cast<SOCKET>(m_socket), nullptr, nullptr));
        if (!accepted.Valid()) {
            return m_connections;
        }
        ++m_connections;
    }
}

}  // namespace synvora::test
