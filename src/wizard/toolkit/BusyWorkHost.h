#pragma once

#include <string_view>

namespace synvora {

/// What blocking work on the user-interface thread (a script run, a long copy) needs of the window
/// that started it: the window stays painted and shows that the work goes on, and Exit can stop
/// the work. The work calls BeginBusyWork, then ContinueBusyWork between short waits, then
/// EndBusyWork, also when it fails.
class BusyWorkHost {
public:
    virtual ~BusyWorkHost() = default;

    /// Blocking work starts. Until EndBusyWork, Exit asks the user this question (Yes and No).
    virtual void BeginBusyWork(std::string_view stopQuestion) = 0;
    /// Lets pending events be processed and shows how long the work has been going. False once
    /// the user has answered Yes: the work then ends as soon as it can.
    virtual bool ContinueBusyWork() = 0;
    virtual void EndBusyWork() = 0;
};

}  // namespace synvora
