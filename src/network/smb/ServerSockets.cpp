#include "network/smb/ServerSockets.h"

#include <dirent.h>
#include <netdb.h>
#include <unistd.h>

#include <charconv>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace synvora {
namespace {

struct DirCloser {
    void operator()(DIR* dir) const noexcept { ::closedir(dir); }
};

/// Calls `visit` with each descriptor of this process that is a socket, and its inode.
void ForEachSocket(const std::function<void(int fd, ino_t inode)>& visit) {
    const std::unique_ptr<DIR, DirCloser> dir(::opendir("/proc/self/fd"));
    if (!dir) {
        return;
    }
    while (const dirent* entry = ::readdir(dir.get())) {
        int fd = -1;
        const std::string_view name = entry->d_name;
        if (std::from_chars(name.data(), name.data() + name.size(), fd).ec != std::errc()) {
            continue;
        }
        char target[64] = {};
        const std::string path = "/proc/self/fd/" + std::string(name);
        const ssize_t length = ::readlink(path.c_str(), target, sizeof target - 1);
        constexpr std::string_view kPrefix = "socket:[";
        const std::string_view link(target, length > 0 ? static_cast<std::size_t>(length) : 0);
        if (!link.starts_with(kPrefix)) {
            continue;
        }
        unsigned long long inode = 0;
        const char* first = link.data() + kPrefix.size();
        if (std::from_chars(first, link.data() + link.size(), inode).ec == std::errc()) {
            visit(fd, static_cast<ino_t>(inode));
        }
    }
}

}  // namespace

std::set<ino_t> ServerSockets::Current() {
    std::set<ino_t> sockets;
    ForEachSocket([&sockets](int, ino_t inode) { sockets.insert(inode); });
    return sockets;
}

void ServerSockets::NoteNewSince(const std::set<ino_t>& before) {
    ForEachSocket([&](int fd, ino_t inode) {
        Peer peer;
        peer.length = sizeof peer.address;
        if (!before.contains(inode) &&
            ::getpeername(fd, reinterpret_cast<sockaddr*>(&peer.address), &peer.length) == 0) {
            m_peers.push_back(peer);
        }
    });
}

void ServerSockets::CutOff() const {
    if (m_peers.empty()) {
        return;
    }
    ForEachSocket([this](int fd, ino_t) {
        Peer peer;
        peer.length = sizeof peer.address;
        if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer.address), &peer.length) != 0) {
            return;
        }
        for (const Peer& noted : m_peers) {
            if (noted.length == peer.length && std::memcmp(&noted.address, &peer.address, peer.length) == 0) {
                ::shutdown(fd, SHUT_RDWR);
                return;
            }
        }
    });
}

std::optional<ServerAddress> ServerSockets::PeerAddress(std::optional<std::uint16_t> port) const {
    for (const Peer& peer : m_peers) {
        char hostText[NI_MAXHOST] = {};
        char portText[NI_MAXSERV] = {};
        if (::getnameinfo(reinterpret_cast<const sockaddr*>(&peer.address), peer.length, hostText,
                          sizeof hostText, portText, sizeof portText, NI_NUMERICHOST | NI_NUMERICSERV) != 0) {
            continue;
        }
        const auto peerPort = static_cast<std::uint16_t>(std::stoi(portText));
        if (!port || *port == peerPort) {
            return ServerAddress{hostText, peerPort};
        }
    }
    return std::nullopt;
}

}  // namespace synvora
