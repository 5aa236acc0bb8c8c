#pragma once

#include <cstdint>
#include <string>

namespace synvora::test {

/// A port on 127.0.0.1 that nothing is bound to at this moment (a plain bind succeeds, which it
/// does not while a server holds the port, SO_REUSEPORT or not). Another process may take it
/// before the caller's server binds it, so callers retry with a new one.
int FreeLoopbackPort();

/// True when something accepts TCP connections on 127.0.0.1 at that port.
bool AcceptsConnections(int port);

/// A server that accepts TCP connections on 127.0.0.1 and never answers: a machine that does not
/// respond, for connection and login time-outs. Counts the connections it was offered.
class SilentServer {
public:
    /// On a port the system chooses.
    SilentServer();
    /// On another loopback address (127.0.0.3...) at a given port: where a client finds it by the
    /// server's name alone, with the port it uses for the test server.
    SilentServer(const std::string& address, int port);
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;
    ~SilentServer();

    int Port() const noexcept { return m_port; }
    /// Accepts and closes what is waiting; the number of connections so far.
    int Connections();

private:
    int m_port = 0;
    // The listening socket: a descriptor on Linux, a SOCKET on Windows (posix/, win32/Loopback.cpp).
    std::intptr_t m_socket = -1;
    int m_connections = 0;
};

}  // namespace synvora::test
