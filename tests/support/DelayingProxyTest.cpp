#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "support/DelayingProxy.h"
#include "support/Loopback.h"
#include "support/WebContent.h"
#include "support/posix/LoopbackSocket.h"

namespace synvora::test {
namespace {

using namespace std::chrono_literals;

// Every read and write gives up after this, so that a relay fault fails the test instead of
// hanging it.
void LimitWaits(int fd) {
    const timeval limit{10, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof(limit));
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof(limit));
}

UniqueFd Connect(int port) {
    UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    EXPECT_EQ(::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
    LimitWaits(fd.Get());
    return fd;
}

struct Target {
    int port = 0;
    UniqueFd listener = BoundLoopbackSocket(port);
    Target() {
        ::listen(listener.Get(), 8);
        LimitWaits(listener.Get());
    }
    UniqueFd Accept() const {
        UniqueFd accepted(::accept4(listener.Get(), nullptr, nullptr, SOCK_CLOEXEC));
        EXPECT_TRUE(accepted.Valid());
        LimitWaits(accepted.Get());
        return accepted;
    }
};

void Send(int fd, const std::string& bytes) {
    for (std::size_t sent = 0; sent < bytes.size();) {
        const ssize_t now = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        ASSERT_GT(now, 0) << std::strerror(errno);
        sent += static_cast<std::size_t>(now);
    }
}

/// Reads until the end, or `count` bytes; a reset ends the text with "<reset>", another failure
/// (a time-out) with "<error>".
std::string Receive(int fd, std::size_t count = std::string::npos) {
    std::string received;
    char buffer[65536];
    while (received.size() < count) {
        const ssize_t got = ::recv(fd, buffer, std::min(sizeof(buffer), count - received.size()), 0);
        if (got <= 0) {
            return got == 0 ? received : received + (errno == ECONNRESET ? "<reset>" : "<error>");
        }
        received.append(buffer, static_cast<std::size_t>(got));
    }
    return received;
}

TEST(DelayingProxy, RelaysEachConnectionInOrderAfterTheDelayAndPassesHalfClosesOn) {
    Target target;
    DelayingProxy proxy(target.port, 20ms);
    const UniqueFd first = Connect(proxy.Port());
    const UniqueFd firstAtTarget = target.Accept();
    const UniqueFd second = Connect(proxy.Port());
    const UniqueFd secondAtTarget = target.Accept();

    Send(first.Get(), "ping");
    EXPECT_EQ(Receive(firstAtTarget.Get(), 4), "ping");
    Send(firstAtTarget.Get(), "pong");
    EXPECT_EQ(Receive(first.Get(), 4), "pong");

    // More than the proxy holds at once, then the client's half-close: all of it, in order, then
    // the end; the target's answer still reaches the client, and then the target's end.
    const std::string bulk = RandomBytes(3 * DelayingProxy::kMaxHeld, 7);
    std::thread writer([&] {
        Send(first.Get(), bulk);
        ::shutdown(first.Get(), SHUT_WR);
    });
    const std::string arrived = Receive(firstAtTarget.Get());
    writer.join();
    EXPECT_TRUE(arrived == bulk) << arrived.size() << " of " << bulk.size() << " bytes arrived";
    Send(firstAtTarget.Get(), "bye");
    ::shutdown(firstAtTarget.Get(), SHUT_WR);
    EXPECT_EQ(Receive(first.Get()), "bye");

    // The other connection was relayed all along.
    Send(second.Get(), "x");
    EXPECT_EQ(Receive(secondAtTarget.Get(), 1), "x");

    const ProxyTraffic traffic = proxy.Traffic();
    EXPECT_EQ(traffic.connections, 2u);
    EXPECT_EQ(traffic.bytesToTarget, 4 + bulk.size() + 1);
    EXPECT_EQ(traffic.bytesFromTarget, 4u + 3u);
    EXPECT_EQ(traffic.exchanges, 3u);  // ping, the bulk after the pong, and x
}

TEST(DelayingProxy, HoldsWhatItHasReadUntilTheDelayIsOver) {
    Target target;
    DelayingProxy proxy(target.port, std::chrono::hours(1));
    const UniqueFd client = Connect(proxy.Port());
    const UniqueFd atTarget = target.Accept();
    Send(client.Get(), "ping");
    for (int poll = 0; poll < 1000 && proxy.Traffic().bytesToTarget < 4; ++poll) {
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_EQ(proxy.Traffic().bytesToTarget, 4u) << "the proxy took the data from the client";
    char byte = 0;
    EXPECT_EQ(::recv(atTarget.Get(), &byte, 1, MSG_DONTWAIT), -1) << "and holds it";
    EXPECT_EQ(errno, EAGAIN);
}

TEST(DelayingProxy, PassesOnAServerThatGoesAwayAndEndsEveryConnectionWhenStopped) {
    auto target = std::make_unique<Target>();
    DelayingProxy proxy(target->port, 5ms);
    const UniqueFd reset = Connect(proxy.Port());
    UniqueFd resetAtTarget = target->Accept();
    const UniqueFd stopped = Connect(proxy.Port());
    const UniqueFd stoppedAtTarget = target->Accept();

    // The target's data comes first, then its reset.
    Send(resetAtTarget.Get(), "last words");
    const linger abortive{1, 0};
    ::setsockopt(resetAtTarget.Get(), SOL_SOCKET, SO_LINGER, &abortive, sizeof(abortive));
    resetAtTarget.Reset();
    EXPECT_EQ(Receive(reset.Get()), "last words<reset>");

    // A target that no longer listens ends the client's connection.
    target.reset();
    const UniqueFd refused = Connect(proxy.Port());
    EXPECT_EQ(Receive(refused.Get()), "<reset>");

    proxy.Stop();
    EXPECT_EQ(Receive(stopped.Get()), "");
    EXPECT_FALSE(AcceptsConnections(proxy.Port()));
    EXPECT_EQ(proxy.Traffic().connections, 3u);
}

}  // namespace
}  // namespace synvora::test
