#pragma once

#include <string_view>

namespace synvora {

/// The whole of a piece of work, in the thousandths that ShowBusyProgress takes.
inline constexpr int kBusyProgressMaximum = 1000;

/// What blocking work on the user-interface thread (a script run, a long copy) needs of the window
/// that started it: the window stays painted and shows that the work goes on, and Exit can stop
/// the work. The work calls BeginBusyWork, then ContinueBusyWork between short waits, then
/// EndBusyWork, also when it fails (BusyWorkScope does both).
class BusyWorkHost {
public:
    virtual ~BusyWorkHost() = default;

    /// Blocking work starts. Until EndBusyWork, Exit asks the user this question (Yes and No).
    virtual void BeginBusyWork(std::string_view stopQuestion) = 0;
    /// Work that knows how far it is says so: a line of text and the part done, 0 to
    /// kBusyProgressMaximum. Shown
    /// until EndBusyWork; painted at the next ContinueBusyWork.
    virtual void ShowBusyProgress(std::string_view text, int permille) = 0;
    /// Lets pending events be processed and shows how long the work has been going. False once
    /// the user has answered Yes: the work then ends as soon as it can.
    virtual bool ContinueBusyWork() = 0;
    virtual void EndBusyWork() = 0;
};

/// Busy work of a host from construction to destruction, also when the work raises.
class BusyWorkScope {
public:
    BusyWorkScope(BusyWorkHost& host, std::string_view stopQuestion) : m_host(host) {
        m_host.BeginBusyWork(stopQuestion);
    }
    BusyWorkScope(const BusyWorkScope&) = delete;
    BusyWorkScope& operator=(const BusyWorkScope&) = delete;
    ~BusyWorkScope() { m_host.EndBusyWork(); }

private:
    BusyWorkHost& m_host;
};

}  // namespace synvora
