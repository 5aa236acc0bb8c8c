#pragma once

#include <functional>
#include <memory>

class QSocketNotifier;

namespace synvora {

/// Turns the requests to end the program that come as signals (SIGTERM, SIGHUP at the end of the
/// session, SIGINT from a terminal) into a call on the user-interface thread, made from its event
/// loop, so that the program ends as it does on Exit instead of dying where it stands: with its
/// files complete, its drives released and its temporary folders removed. While an object lives
/// the signals are caught; afterwards they act as before.
class TerminationSignals {
public:
    explicit TerminationSignals(std::function<void()> onRequest);
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;
    ~TerminationSignals();

private:
    void Deliver();

    std::function<void()> m_onRequest;
    int m_readFd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

}  // namespace synvora
