#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

struct rusage;

namespace synvora::test {

/// How a child process is started: what it reads, where its output goes, and what it finds in its
/// environment besides this process's own.
struct SpawnOptions {
    /// Descriptor that becomes the child's standard input (Linux only); -1 gives it inputPath.
    int inputFd = -1;
    /// File that receives standard output and standard error (replaced); "" discards both.
    std::string outputPath;
    /// "NAME=value" entries set, or replaced, in the child's environment.
    std::vector<std::string> environment;
    /// Runs the child in a session of its own, so a terminal's Ctrl-C does not reach it.
    bool newSession = false;
    /// File that becomes the child's standard input when inputFd is -1; "" gives it nothing to
    /// read (/dev/null, NUL).
    std::string inputPath = {};
};

/// A started child process (no shell in between; on Windows the arguments are quoted into one
/// command line as the C runtime divides it). The destructor kills and reaps a child that is still
/// running, so none is left behind when a test fails; it never throws. posix/, win32/ChildProcess.cpp.
class ChildProcess {
public:
    ChildProcess(const std::vector<std::string>& argv, const SpawnOptions& options);
    ChildProcess(ChildProcess&& other) noexcept
        : m_pid(std::exchange(other.m_pid, -1)), m_process(std::exchange(other.m_process, nullptr)) {}
    ChildProcess& operator=(ChildProcess&&) = delete;
    ChildProcess(const ChildProcess&) = delete;
    ~ChildProcess();

    /// Waits for the end; the exit code, or 128 + signal number when a signal ended it. `usage`,
    /// when given, receives the child's resource use (wait4; Linux only).
    int Wait(rusage* usage = nullptr);
    /// The exit code as Wait gives it when the child has ended, nothing while it runs.
    std::optional<int> Poll();
    pid_t Pid() const noexcept { return m_pid; }

private:
    pid_t m_pid = -1;
    // The process's handle on Windows.
    void* m_process = nullptr;
};

/// Runs a program to its end and returns its exit code as ChildProcess::Wait does.
int RunProcess(const std::vector<std::string>& argv, const SpawnOptions& options = {});

}  // namespace synvora::test
