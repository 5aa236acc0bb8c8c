#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

#include "files/UniqueFd.h"

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
        /// Its whole environment ("NAME=value" each); nothing gives it this process's own.
        std::optional<std::vector<std::string>> environment;
        /// Descriptors that become its standard output and error; -1 leaves /dev/null.
        int outputFd = -1;
        int errorFd = -1;
    };

    /// Starts the program file with the words as its argument vector (the first word is the
    /// name the program sees as its own). Raises MigrationError (a platform error) when it
    /// cannot be started.
    static ChildProcess Start(const std::string& programFile, const std::vector<std::string>& words);
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
    /// other descriptors (poll). Raises a platform error when the system offers none.
    UniqueFd ExitDescriptor() const;

private:
    explicit ChildProcess(pid_t pid) noexcept : m_pid(pid) {}

    pid_t m_pid = -1;
};

/// True when a wait status says the program ended normally with exit code 0.
bool EndedWithSuccess(int waitStatus);

}  // namespace synvora
