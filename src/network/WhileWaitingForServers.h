#pragma once

#include <functional>

namespace synvora {

/// For as long as it lives, `whileWaiting` is called about ten times a second on the thread that
/// waits for a server's answer (a window's busy work keeps the window painted so, and Exit
/// working). Scopes nest; the innermost counts; other threads (a copy's workers) are not
/// affected. Defined by the network drive of the platform: on
/// Linux the program's own network calls wait on a thread and call it; on Windows the waits are
/// inside the system's file calls on the mapped drive, which call nothing back (a copy still
/// returns to its monitor between files and 1 MiB pieces).
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
