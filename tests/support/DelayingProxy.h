#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <thread>

namespace synvora::test {

/// What went through a proxy since it started.
struct ProxyTraffic {
    std::uint64_t connections = 0;
    std::uint64_t bytesToTarget = 0;
    std::uint64_t bytesFromTarget = 0;
    /// The times a client spoke again after the target had answered it: the round trips the
    /// clients waited for (a client that sends further requests before the answers come counts
    /// once for the lot).
    std::uint64_t exchanges = 0;
};

/// A TCP relay on 127.0.0.1 that stands in for a network with latency: every connection accepted
/// on Port() is connected to the target port of 127.0.0.1, and each direction's data is held for
/// the one-way delay before it is passed on, in order. A round trip through it costs twice the
/// delay on top of the real time; the link's bandwidth is loopback's. The TCP handshake itself is
/// not delayed.
///
/// A half-close passes on after the data before it. A side that fails (reset, or a target that
/// refuses the connection) is closed at once; its data still held and then a reset reach the other
/// side after the delay, while what the other side sent towards it is dropped. Data is read from a
/// side only while less than kMaxHeld bytes of that direction are held, as a receive window would.
///
/// One thread relays every connection; the constructor starts it and Stop (or the destructor)
/// closes every connection and joins it. Not copyable.
class DelayingProxy {
public:
    static constexpr std::size_t kMaxHeld = std::size_t{8} << 20;

    DelayingProxy(int targetPort, std::chrono::microseconds oneWayDelay);
    DelayingProxy(const DelayingProxy&) = delete;
    DelayingProxy& operator=(const DelayingProxy&) = delete;
    ~DelayingProxy();

    int Port() const noexcept { return m_port; }
    std::chrono::microseconds OneWayDelay() const noexcept { return m_delay; }
    /// Closes the listening port and every connection (as a network that went away would look
    /// to a client that is still reading: the end of the data); never throws.
    void Stop() noexcept;
    ProxyTraffic Traffic() const noexcept;

private:
    class Relay;

    std::chrono::microseconds m_delay;
    int m_port = 0;
    std::unique_ptr<Relay> m_relay;
    std::thread m_thread;
    ProxyTraffic m_stopped;  // the relay's counts when it ended
};

}  // namespace synvora::test
