#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "files/posix/UniqueFd.h"

namespace synvora {

/// A started program, owned until it has ended and been reaped. The program runs without a
/// shell, with standard input from /dev/null, standard output and error into /dev/null unless
/// its Setup names descriptors for them, and no other descriptor of this process. A child that
/// is destroyed without having been waited for is killed and reaped, so none is ever left behind
/// as a zombie.
class ChildProcess {
public:
    /// What a program gets besides its argument vector.
    struct Setup {
        /// "NAME=value" settings added to this process's environment, each replacing a variable
        /// of its name; or, with settingsOnly, the program's whole environment.
        std::vector<std::string> settings;
        bool settingsOnly = false;
        /// Descriptors that become its standard output and error; -1 leaves /dev/null.
        int outputFd = -1;
        int errorFd = -1;
        /// The program is killed when this process ends, however it ends (killed included), so
        /// that a helper never outlives the program that asked it something.
        bool endWithThisProcess = false;
    };

    /// Starts the program file with the words as its argument vector (the first word is the
    /// name the program sees as its own) and this process's environment, with the "NAME=value"
    /// settings added or replacing variables of the same name. Raises MigrationError (a platform
    /// error) when it cannot be started.
    static ChildProcess Start(const std::string& programFile, const std::vector<std::string>& words,
                              const std::vector<std::string>& settings = {});
    /// As above, with the environment and the output streams as the setup says.
    static ChildProcess Start(const std::string& programFile, const std::vector<std::string>& words,
                              const Setup& setup);

    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&&) = delete;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    /// Blocks until the program has ended and returns its wait status (see waitpid).
    int Wait();
    /// Ends the program at once (SIGKILL) and reaps it; its wait status.
    int Kill();
    /// A descriptor that becomes readable when the program ends, to wait for that together with
    /// other descriptors (poll); invalid when the system offers none.
    UniqueFd ExitDescriptor() const;
    /// The wait status when the program has ended (and is reaped now), nothing while it runs.
    std::optional<int> TryWait();

    /// How a program waited for with WaitWhile ended.
    struct End {
        int waitStatus = 0;
        /// It was stopped: asked to end, and ended by a signal.
        bool stopped = false;
    };

    /// Waits for the end as Wait does, calling keepWaiting right away and then after every
    /// interval while the program runs. When keepWaiting answers false, the program is asked to
    /// end (SIGTERM) and killed (SIGKILL) when it has not ended within the grace period.
    End WaitWhile(const std::function<bool()>& keepWaiting, std::chrono::milliseconds interval,
                  std::chrono::milliseconds grace);

private:
    explicit ChildProcess(pid_t pid) noexcept : m_pid(pid) {}

    /// Start with the parent-death signal, which posix_spawn cannot set: fork, then exec.
    static ChildProcess StartEndingWithThisProcess(const std::string& programFile, std::vector<char*>& argv,
                                                   std::vector<char*>& envp, const Setup& setup);

    /// Waits up to the time for the end, without reaping.
    void AwaitEnd(int endFd, std::chrono::milliseconds time) const;
    int Stop(int endFd, std::chrono::milliseconds grace);

    pid_t m_pid = -1;
};

/// True when a wait status says the program ended normally with exit code 0.
bool EndedWithSuccess(int waitStatus);

}  // namespace synvora
