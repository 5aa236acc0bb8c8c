#pragma once

#include <functional>

namespace synvora {

/// For as long as it lives, `whileWaiting` is called about ten times a second on the thread that
/// waits for a server's answer (a window's busy work keeps the window painted so, and Exit
/// working). Scopes nest; the innermost counts. Defined by the network drive of the platform.
class WhileWaitingForServers {
public:
    explicit WhileWaitingForServers(std::function<void()> whileWaiting);
    WhileWaitingForServers(const WhileWaitingForServers&) = delete;
    WhileWaitingForServers& operator=(const WhileWaitingForServers&) = delete;
    ~WhileWaitingForServers();

private:
    std::function<void()> m_previous;
};

}  // namespace synvora
