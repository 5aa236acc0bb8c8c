#pragma once

#include <sys/socket.h>
#include <sys/types.h>

#include <optional>
#include <set>
#include <vector>

#include "network/SharePath.h"

namespace synvora {

/// The network connections a share connection's library context made, known by the address of
/// the server at their other end, so that a call that waits too long for that server can be cut
/// off: shutting the sockets down makes the library's waiting call return at once, and every
/// later one fail at once. The library does not tell its sockets; they are found among this
/// process's descriptors (/proc/self/fd).
class ServerSockets {
public:
    /// The sockets of this process now, by inode.
    static std::set<ino_t> Current();

    /// Notes the other end of each socket of this process that is not in `before`.
    void NoteNewSince(const std::set<ino_t>& before);

    /// Shuts down every socket of this process whose other end is a noted server address.
    void CutOff() const;

    /// The first noted server address, as numbers ("192.0.2.7", port 445), of those on `port` when
    /// a port is given (sockets that another part of this process opened at the same moment, a
    /// relay's own for one, are passed over); nothing before a connection was noted.
    std::optional<ServerAddress> PeerAddress(std::optional<std::uint16_t> port = std::nullopt) const;

private:
    struct Peer {
        sockaddr_storage address{};
        socklen_t length = 0;
    };

    std::vector<Peer> m_peers;
};

}  // namespace synvora
