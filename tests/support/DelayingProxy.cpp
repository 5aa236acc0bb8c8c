#include "DelayingProxy.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <deque>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "files/posix/UniqueFd.h"
#include "support/Loopback.h"
#include "support/posix/LoopbackSocket.h"

namespace synvora::test {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kReadSize = std::size_t{64} << 10;
constexpr int kBacklog = 64;
// Keys of the relay's own descriptors in the epoll set; a connection's sides take 2 × id + side.
constexpr std::uint64_t kListenerKey = 0;
constexpr std::uint64_t kTimerKey = 1;
constexpr std::uint64_t kWakeKey = 2;
constexpr std::uint64_t kFirstConnection = 2;

enum class Kind { kData, kEnd, kReset };

/// A piece held back until it is due: data, the end of a direction (a half-close), or a reset.
struct Held {
    Clock::time_point due;
    Kind kind = Kind::kData;
    std::string bytes;
    std::size_t sent = 0;
};

/// One side of a relayed connection, and what was read from it for the other side.
struct Side {
    UniqueFd fd;
    std::deque<Held> held;
    std::size_t heldBytes = 0;
    bool reading = true;        // its data has not ended
    bool ended = false;         // the other side's end was passed on to it
    bool writeBlocked = false;  // its send buffer is full (or, for the target, not yet connected)
    bool registered = false;
    std::uint32_t events = 0;
};

struct Connection {
    std::array<Side, 2> sides;  // kClient, kTarget
    bool connecting = true;
    bool answered = true;  // the client heard from the target since it last spoke
};

constexpr int kClient = 0;
constexpr int kTarget = 1;

Clock::time_point Now() {
    return Clock::now();
}

void ResetOnClose(int fd) {
    const linger abortive{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &abortive, sizeof(abortive));
}

}  // namespace

/// The relay's state, touched by its thread alone once the thread runs; the counters are read by
/// any thread.
class DelayingProxy::Relay {
public:
    Relay(int targetPort, std::chrono::microseconds delay, int& port);

    void Run();
    void Wake() noexcept;
    ProxyTraffic Traffic() const noexcept;

private:
    void AcceptAll();
    void ConnectTarget(Connection& connection);
    void HandleSocket(std::uint64_t id, int index, std::uint32_t events);
    /// Reads what has come while the direction holds less than kMaxHeld, or everything that is
    /// left when the side has hung up.
    void ReadFrom(Connection& connection, int index, bool hungUp);
    /// Passes on what is due from side `from` to the other side.
    void Deliver(Connection& connection, int from, Clock::time_point now);
    /// Side `index` failed: it closes now, its reset reaches the other side after the delay.
    void Abort(Connection& connection, int index);
    void UpdateInterest(std::uint64_t id, Connection& connection);
    void ArmTimer();
    void Hold(Side& side, Kind kind, std::string bytes = {});

    int m_targetPort;
    std::chrono::microseconds m_delay;
    UniqueFd m_listener;
    UniqueFd m_epoll;
    UniqueFd m_timer;
    UniqueFd m_wake;
    std::map<std::uint64_t, Connection> m_connections;
    std::uint64_t m_nextId = kFirstConnection;
    std::string m_buffer = std::string(kReadSize, '\0');

    std::atomic<std::uint64_t> m_accepted{0};
    std::atomic<std::uint64_t> m_bytesToTarget{0};
    std::atomic<std::uint64_t> m_bytesFromTarget{0};
    std::atomic<std::uint64_t> m_exchanges{0};
};

DelayingProxy::Relay::Relay(int targetPort, std::chrono::microseconds delay, int& port)
    : m_targetPort(targetPort),
      m_delay(delay),
      m_listener(BoundLoopbackSocket(port)),
      m_epoll(::epoll_create1(EPOLL_CLOEXEC)),
      m_timer(::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC)),
      m_wake(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    if (!m_epoll.Valid() || !m_timer.Valid() || !m_wake.Valid() ||
        ::listen(m_listener.Get(), kBacklog) != 0) {
        throw std::runtime_error("the delaying proxy cannot listen on 127.0.0.1");
    }
    ::fcntl(m_listener.Get(), F_SETFL, O_NONBLOCK);
    for (const auto& [fd, key] : {std::pair{m_listener.Get(), kListenerKey},
                                  std::pair{m_timer.Get(), kTimerKey}, std::pair{m_wake.Get(), kWakeKey}}) {
        epoll_event event{EPOLLIN, {.u64 = key}};
        if (::epoll_ctl(m_epoll.Get(), EPOLL_CTL_ADD, fd, &event) != 0) {
            throw std::runtime_error("the delaying proxy cannot watch its sockets");
        }
    }
}

void DelayingProxy::Relay::Wake() noexcept {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(m_wake.Get(), &one, sizeof(one));
}

ProxyTraffic DelayingProxy::Relay::Traffic() const noexcept {
    return {m_accepted.load(), m_bytesToTarget.load(), m_bytesFromTarget.load(), m_exchanges.load()};
}

void DelayingProxy::Relay::Run() {
    std::array<epoll_event, 64> events{};
    for (;;) {
        const int count = ::epoll_wait(m_epoll.Get(), events.data(), static_cast<int>(events.size()), -1);
        if (count < 0 && errno != EINTR) {
            return;
        }
        for (int i = 0; i < count; ++i) {
            const std::uint64_t key = events[static_cast<std::size_t>(i)].data.u64;
            if (key == kWakeKey) {
                return;
            }
            if (key == kTimerKey) {
                std::uint64_t expirations = 0;
                [[maybe_unused]] const auto got = ::read(m_timer.Get(), &expirations, sizeof(expirations));
            } else if (key == kListenerKey) {
                AcceptAll();
            } else {
                HandleSocket(key / 2, static_cast<int>(key % 2), events[static_cast<std::size_t>(i)].events);
            }
        }
        const Clock::time_point now = Now();
        for (auto it = m_connections.begin(); it != m_connections.end();) {
            Connection& connection = it->second;
            Deliver(connection, kClient, now);
            Deliver(connection, kTarget, now);
            const bool closed =
                !connection.sides[kClient].fd.Valid() && !connection.sides[kTarget].fd.Valid();
            const bool finished = !connection.sides[kClient].reading && !connection.sides[kTarget].reading &&
                                  connection.sides[kClient].ended && connection.sides[kTarget].ended;
            if (closed || finished) {
                it = m_connections.erase(it);  // closing a descriptor takes it out of the epoll set
                continue;
            }
            UpdateInterest(it->first, connection);
            ++it;
        }
        ArmTimer();
    }
}

void DelayingProxy::Relay::AcceptAll() {
    for (;;) {
        UniqueFd accepted(::accept4(m_listener.Get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!accepted.Valid()) {
            return;
        }
        ++m_accepted;
        Connection& connection = m_connections[m_nextId++];
        connection.sides[kClient].fd = std::move(accepted);
        connection.sides[kClient].writeBlocked = false;
        connection.sides[kTarget].writeBlocked = true;
        ConnectTarget(connection);
    }
}

void DelayingProxy::Relay::ConnectTarget(Connection& connection) {
    Side& target = connection.sides[kTarget];
    target.fd.Reset(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(m_targetPort));
    if (!target.fd.Valid() ||
        (::connect(target.fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 &&
         errno != EINPROGRESS)) {
        Abort(connection, kTarget);
    }
    // The connection completes (or fails) when the socket turns writable.
}

void DelayingProxy::Relay::HandleSocket(std::uint64_t id, int index, std::uint32_t events) {
    const auto found = m_connections.find(id);
    if (found == m_connections.end() || !found->second.sides[static_cast<std::size_t>(index)].fd.Valid()) {
        return;
    }
    Connection& connection = found->second;
    Side& side = connection.sides[static_cast<std::size_t>(index)];
    if (index == kTarget && connection.connecting) {
        // Connected or failed: a refusal, or a reset after the target's first data, shows in the
        // read below, after what came before it.
        connection.connecting = false;
        side.writeBlocked = false;
    }
    const bool failed = (events & (EPOLLERR | EPOLLHUP)) != 0;
    if ((events & EPOLLOUT) != 0) {
        side.writeBlocked = false;
    }
    // What came before a reset is still read, and the read then meets the failure.
    if (side.reading && (failed || (events & EPOLLIN) != 0)) {
        ReadFrom(connection, index, failed);
    }
    if (side.fd.Valid() && ((events & EPOLLERR) != 0 || ((events & EPOLLHUP) != 0 && !side.ended))) {
        Abort(connection, index);  // gone, with data still to come to it
    }
}

void DelayingProxy::Relay::Hold(Side& side, Kind kind, std::string bytes) {
    side.heldBytes += bytes.size();
    side.held.push_back({Now() + m_delay, kind, std::move(bytes), 0});
}

void DelayingProxy::Relay::ReadFrom(Connection& connection, int index, bool hungUp) {
    Side& side = connection.sides[static_cast<std::size_t>(index)];
    // A hang-up is reported whether watched or not: it is read to its end, limit or not.
    while (side.reading && (hungUp || side.heldBytes < kMaxHeld)) {
        const ssize_t got = ::read(side.fd.Get(), m_buffer.data(), m_buffer.size());
        if (got > 0) {
            const auto bytes = static_cast<std::uint64_t>(got);
            if (index == kClient) {
                m_bytesToTarget += bytes;
                if (connection.answered) {
                    ++m_exchanges;
                    connection.answered = false;
                }
            } else {
                m_bytesFromTarget += bytes;
            }
            Hold(side, Kind::kData, m_buffer.substr(0, static_cast<std::size_t>(got)));
        } else if (got == 0) {
            side.reading = false;
            Hold(side, Kind::kEnd);
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            return;
        } else if (errno != EINTR) {
            Abort(connection, index);
            return;
        }
    }
}

void DelayingProxy::Relay::Deliver(Connection& connection, int from, Clock::time_point now) {
    Side& source = connection.sides[static_cast<std::size_t>(from)];
    Side& sink = connection.sides[static_cast<std::size_t>(1 - from)];
    while (!source.held.empty() && source.held.front().due <= now && sink.fd.Valid() && !sink.writeBlocked) {
        Held& piece = source.held.front();
        if (piece.kind == Kind::kReset) {
            ResetOnClose(sink.fd.Get());
            sink.fd.Reset();
            return;
        }
        if (piece.kind == Kind::kEnd) {
            ::shutdown(sink.fd.Get(), SHUT_WR);
            sink.ended = true;
            source.held.pop_front();
            continue;
        }
        const ssize_t sent = ::send(sink.fd.Get(), piece.bytes.data() + piece.sent,
                                    piece.bytes.size() - piece.sent, MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                sink.writeBlocked = true;
            } else if (errno != EINTR) {
                Abort(connection, 1 - from);
            }
            continue;
        }
        connection.answered = connection.answered || from == kTarget;
        piece.sent += static_cast<std::size_t>(sent);
        if (piece.sent == piece.bytes.size()) {
            source.heldBytes -= piece.bytes.size();
            source.held.pop_front();
        }
    }
}

void DelayingProxy::Relay::Abort(Connection& connection, int index) {
    Side& failed = connection.sides[static_cast<std::size_t>(index)];
    Side& other = connection.sides[static_cast<std::size_t>(1 - index)];
    failed.fd.Reset();
    failed.reading = false;
    // What the other side sent can no longer arrive; what the failed side sent before still does,
    // followed by the reset.
    other.held.clear();
    other.heldBytes = 0;
    other.reading = false;
    Hold(failed, Kind::kReset);
}

void DelayingProxy::Relay::UpdateInterest(std::uint64_t id, Connection& connection) {
    for (int index : {kClient, kTarget}) {
        Side& side = connection.sides[static_cast<std::size_t>(index)];
        if (!side.fd.Valid()) {
            continue;
        }
        const bool targetPending = index == kTarget && connection.connecting;
        std::uint32_t events = 0;
        if (side.reading && side.heldBytes < kMaxHeld && !targetPending) {
            events |= EPOLLIN;
        }
        if (side.writeBlocked) {
            events |= EPOLLOUT;
        }
        // A side that has ended both ways needs no watching; the connection ends with the other.
        const bool done = !side.reading && side.ended;
        epoll_event event{events, {.u64 = id * 2 + static_cast<std::uint64_t>(index)}};
        if (done) {
            if (side.registered) {
                ::epoll_ctl(m_epoll.Get(), EPOLL_CTL_DEL, side.fd.Get(), nullptr);
                side.registered = false;
            }
        } else if (!side.registered) {
            side.registered = ::epoll_ctl(m_epoll.Get(), EPOLL_CTL_ADD, side.fd.Get(), &event) == 0;
            side.events = events;
        } else if (side.events != events) {
            ::epoll_ctl(m_epoll.Get(), EPOLL_CTL_MOD, side.fd.Get(), &event);
            side.events = events;
        }
    }
}

void DelayingProxy::Relay::ArmTimer() {
    std::optional<Clock::time_point> next;
    for (const auto& [id, connection] : m_connections) {
        for (int from : {kClient, kTarget}) {
            const Side& source = connection.sides[static_cast<std::size_t>(from)];
            const Side& sink = connection.sides[static_cast<std::size_t>(1 - from)];
            if (!source.held.empty() && sink.fd.Valid() && !sink.writeBlocked &&
                (!next || source.held.front().due < *next)) {
                next = source.held.front().due;
            }
        }
    }
    // steady_clock is CLOCK_MONOTONIC here, the timer's clock: a piece's due time arms it as it is.
    itimerspec when{};
    if (next) {
        const auto since =
            std::chrono::duration_cast<std::chrono::nanoseconds>(next->time_since_epoch()).count();
        // A zero value would disarm the timer: a due time of 0 is taken as 1 ns.
        when.it_value.tv_sec = static_cast<time_t>(since / 1'000'000'000);
        when.it_value.tv_nsec = static_cast<long>(since % 1'000'000'000);
        if (when.it_value.tv_sec == 0 && when.it_value.tv_nsec == 0) {
            when.it_value.tv_nsec = 1;
        }
    }
    ::timerfd_settime(m_timer.Get(), TFD_TIMER_ABSTIME, &when, nullptr);
}

DelayingProxy::DelayingProxy(int targetPort, std::chrono::microseconds oneWayDelay)
    : m_delay(oneWayDelay), m_relay(std::make_unique<Relay>(targetPort, oneWayDelay, m_port)) {
    m_thread = std::thread([this] { m_relay->Run(); });
}

DelayingProxy::~DelayingProxy() {
    Stop();
}

void DelayingProxy::Stop() noexcept {
    if (m_thread.joinable()) {
        m_relay->Wake();
        m_thread.join();
        // The relay's descriptors close with it; its counters stay readable.
        ProxyTraffic counted = m_relay->Traffic();
        m_relay.reset();
        m_stopped = counted;
    }
}

ProxyTraffic DelayingProxy::Traffic() const noexcept {
    return m_relay ? m_relay->Traffic() : m_stopped;
}

}  // namespace synvora::test
