#include "SharePath.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace synvora {
namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

bool HasSeparator(std::string_view text) {
    return std::any_of(text.begin(), text.end(), IsSeparator);
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

std::optional<std::uint16_t> ParsePort(std::string_view digits) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() || value == 0 ||
        value > 65535) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(value);
}

bool IsUnreserved(unsigned char c) {
    return std::isalnum(c) != 0 || c == '-' || c == '.' || c == '_' || c == '~';
}

void AppendEncoded(std::string& url, std::string_view text, bool keepSlashes) {
    constexpr const char* kHex = "0123456789ABCDEF";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (IsUnreserved(byte) || (keepSlashes && c == '/')) {
            url += c;
        } else {
            url += '%';
            url += kHex[byte >> 4];
            url += kHex[byte & 0x0F];
        }
    }
}

}  // namespace

bool ServerAddress::SameServer(const ServerAddress& other) const {
    return Lower(host) == Lower(other.host) && port == other.port;
}

std::optional<ServerAddress> ParseServerAddress(std::string_view text) {
    while (!text.empty() && IsSeparator(text.front())) {
        text.remove_prefix(1);
    }
    ServerAddress address;
    std::string_view portText;
    bool hasPort = false;
    if (text.starts_with('[')) {
        const auto close = text.find(']');
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        address.host = std::string(text.substr(1, close - 1));
        const std::string_view rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':') {
                return std::nullopt;
            }
            hasPort = true;
            portText = rest.substr(1);
        }
    } else if (const auto colon = text.find(':');
               colon != std::string_view::npos && text.find(':', colon + 1) == std::string_view::npos) {
        address.host = std::string(text.substr(0, colon));
        hasPort = true;
        portText = text.substr(colon + 1);
    } else {
        // No colon, or several: a bare IPv6 address.
        address.host = std::string(text);
    }
    if (address.host.empty() || HasSeparator(address.host)) {
        return std::nullopt;
    }
    if (hasPort) {
        address.port = ParsePort(portText);
        if (!address.port) {
            return std::nullopt;
        }
    }
    return address;
}

std::optional<SharePath> ParseSharePath(std::string_view text) {
    if (text.size() < 2 || !IsSeparator(text[0]) || !IsSeparator(text[1])) {
        return std::nullopt;
    }
    text.remove_prefix(2);
    const auto serverEnd = std::find_if(text.begin(), text.end(), IsSeparator);
    if (serverEnd == text.end()) {
        return std::nullopt;
    }
    const std::string_view serverText(text.begin(), serverEnd);
    std::string_view share(serverEnd + 1, text.end());
    if (!share.empty() && IsSeparator(share.back())) {
        share.remove_suffix(1);
    }
    if (share.empty() || HasSeparator(share) || serverText.empty()) {
        return std::nullopt;
    }
    auto server = ParseServerAddress(serverText);
    if (!server) {
        return std::nullopt;
    }
    return SharePath{std::move(*server), std::string(share)};
}

std::string ShareUrl(const SharePath& share, std::string_view pathOnShare) {
    std::string url = "smb://";
    const bool ipv6 = share.server.host.find(':') != std::string::npos;
    if (ipv6) {
        url += '[' + share.server.host + ']';
    } else {
        AppendEncoded(url, share.server.host, false);
    }
    if (share.server.port) {
        url += ':' + std::to_string(*share.server.port);
    }
    url += '/';
    AppendEncoded(url, share.share, false);
    AppendEncoded(url, pathOnShare, true);
    return url;
}

}  // namespace synvora
