#pragma once

#include "files/posix/UniqueFd.h"

namespace synvora::test {

/// A port on 127.0.0.1 that nothing is bound to at this moment (a plain bind succeeds, which it
/// does not while a server holds the port, SO_REUSEPORT or not). Another process may take it
/// before the caller's server binds it, so callers retry with a new one.
int FreeLoopbackPort();

/// A socket bound to a port of 127.0.0.1 that the system chose, returned through port; the caller
/// listens on it, so no other process can take the port in between.
UniqueFd BoundLoopbackSocket(int& port);

/// True when something accepts TCP connections on 127.0.0.1 at that port.
bool AcceptsConnections(int port);

/// A server that accepts TCP connections on 127.0.0.1 and never answers: a machine that does not
/// respond, for connection and login time-outs. Counts the connections it was offered.
class SilentServer {
public:
    SilentServer();

    int Port() const noexcept { return m_port; }
    /// Accepts and closes what is waiting; the number of connections so far.
    int Connections();

private:
    int m_port = 0;  // set while m_socket is bound, so declared first
    UniqueFd m_socket;
    int m_connections = 0;
};

}  // namespace synvora::test
