#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace synvora {

/// A server as the user types it: a name or address, optionally followed by ":port" (useful
/// behind tunnels and in tests). "[::1]:4455" names an IPv6 address with a port.
struct ServerAddress {
    std::string host;
    std::optional<std::uint16_t> port;

    /// True when both name the same server: host names without letter case, and the same port
    /// (none counts as the standard one, whichever number that is).
    bool SameServer(const ServerAddress& other) const;
};

/// The share of a server a drive letter is connected to: "\\server\D$" ("/" works as "\").
struct SharePath {
    ServerAddress server;
    std::string share;
};

/// Parses "host", "host:port" or "[v6]:port", with any leading "\\" removed. Nothing for an empty
/// host, a port that is not a number from 1 to 65535, or a host with a separator in it.
std::optional<ServerAddress> ParseServerAddress(std::string_view text);

/// Parses "\\server\share", optionally with one trailing separator. Nothing when either part is
/// missing or more follows the share: a drive is always connected to a share's root.
std::optional<SharePath> ParseSharePath(std::string_view text);

/// The URL of a path on the share, "smb://host:port/share/path", with every byte outside the
/// unreserved characters percent-encoded, so that blanks, "%", "?", "#" and non-ASCII names reach
/// the server as they are. `pathOnShare` starts with "/" or is empty (the share's root).
std::string ShareUrl(const SharePath& share, std::string_view pathOnShare);

}  // namespace synvora
