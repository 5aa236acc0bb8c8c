#include "support/Loopback.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <stdexcept>

#include "support/posix/LoopbackSocket.h"

namespace synvora::test {
namespace {

sockaddr_in LoopbackAddress(int port, const std::string& host = "127.0.0.1") {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    ::inet_pton(AF_INET, host.c_str(), &address.sin_addr);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    return address;
}

UniqueFd BoundSocket(int port, int& boundPort, const std::string& host = "127.0.0.1") {
    UniqueFd socketFd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!socketFd.Valid()) {
        throw std::runtime_error("cannot create a socket on " + host);
    }
    sockaddr_in address = LoopbackAddress(port, host);
    socklen_t length = sizeof(address);
    if (::bind(socketFd.Get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::getsockname(socketFd.Get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        throw std::runtime_error("cannot bind a port on " + host);
    }
    boundPort = ntohs(address.sin_port);
    return socketFd;
}

}  // namespace

int FreeLoopbackPort() {
    int port = 0;
    BoundSocket(0, port);
    return port;
}

UniqueFd BoundLoopbackSocket(int& port) {
    return BoundSocket(0, port);
}

bool AcceptsConnections(int port) {
    UniqueFd socketFd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const sockaddr_in address = LoopbackAddress(port);
    return socketFd.Valid() &&
           ::connect(socketFd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
}

SilentServer::SilentServer() : SilentServer("127.0.0.1", 0) {}

SilentServer::SilentServer(const std::string& address, int port) {
    UniqueFd socketFd = BoundSocket(port, m_port, address);
    // Counting must not wait for a connection that never comes.
    if (::fcntl(socketFd.Get(), F_SETFL, O_NONBLOCK) != 0 || ::listen(socketFd.Get(), 16) != 0) {
        throw std::runtime_error("cannot listen on " + address);
    }
    m_socket = socketFd.Release();
}

SilentServer::~SilentServer() {
    UniqueFd(static_cast<int>(m_socket)).Reset();
}

int SilentServer::Connections() {
    for (;;) {
        UniqueFd accepted(
            ::accept4(static_cast<int>(m_socket), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!accepted.Valid()) {
            return m_connections;
        }
        ++m_connections;
    }
}

}  // namespace synvora::test
