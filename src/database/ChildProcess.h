#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace synvora {

/// A started program, owned until it has ended and been reaped. The program runs without a
/// shell, with standard input from /dev/null, standard output and error into /dev/null, and no
/// other descriptor of this process. A child that is destroyed without having been waited for
/// is killed and reaped, so none is ever left behind as a zombie.
class ChildProcess {
public:
    /// Starts the program file with the words as its argument vector (the first word is the
    /// name the program sees as its own). Raises MigrationError (a platform error) when it
    /// cannot be started.
    static ChildProcess Start(const std::string& programFile, const std::vector<std::string>& words);

    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&&) = delete;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    /// Blocks until the program has ended and returns its wait status (see waitpid).
    int Wait();

private:
    explicit ChildProcess(pid_t pid) noexcept : m_pid(pid) {}

    pid_t m_pid = -1;
};

/// True when a wait status says the program ended normally with exit code 0.
bool EndedWithSuccess(int waitStatus);

}  // namespace synvora
