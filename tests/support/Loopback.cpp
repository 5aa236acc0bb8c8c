#include "Loopback.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <stdexcept>

namespace synvora::test {
namespace {

sockaddr_in LoopbackAddress(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    return address;
}

UniqueFd BoundSocket(int port, int& boundPort) {
    UniqueFd socketFd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!socketFd.Valid()) {
        throw std::runtime_error("cannot create a socket on 127.0.0.1");
    }
    sockaddr_in address = LoopbackAddress(port);
    socklen_t length = sizeof(address);
    if (::bind(socketFd.Get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::getsockname(socketFd.Get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        throw std::runtime_error("cannot bind a port on 127.0.0.1");
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

SilentServer::SilentServer() : m_socket(BoundSocket(0, m_port)) {
    // Counting must not wait for a connection that never comes.
    if (::fcntl(m_socket.Get(), F_SETFL, O_NONBLOCK) != 0 || ::listen(m_socket.Get(), 16) != 0) {
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
}

int SilentServer::Connections() {
    for (;;) {
        UniqueFd accepted(::accept4(m_socket.Get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!accepted.Valid()) {
            return m_connections;
        }
        ++m_connections;
    }
}

}  // namespace synvora::test
