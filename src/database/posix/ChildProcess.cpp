#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <utility>

#include "files/PlatformErrors.h"
#include "files/posix/UniqueFd.h"

extern char** environ;

namespace synvora {
namespace {

/// posix_spawn_file_actions_t with its destroy call.
class SpawnFileActions {
public:
    SpawnFileActions() { Check(::posix_spawn_file_actions_init(&m_actions)); }
    SpawnFileActions(const SpawnFileActions&) = delete;
    SpawnFileActions& operator=(const SpawnFileActions&) = delete;
    ~SpawnFileActions() { ::posix_spawn_file_actions_destroy(&m_actions); }

    void Open(int fd, const char* path, int flags) {
        Check(::posix_spawn_file_actions_addopen(&m_actions, fd, path, flags, 0));
    }
    void Duplicate(int from, int to) { Check(::posix_spawn_file_actions_adddup2(&m_actions, from, to)); }
    /// The descriptor as the program's `to`, or /dev/null when there is none.
    void Redirect(int from, int to) {
        if (from >= 0) {
            Duplicate(from, to);
        } else {
            Open(to, "/dev/null", O_WRONLY);
        }
    }
    void CloseFrom(int lowestFd) {
        // Descriptors opened elsewhere without close-on-exec must not leak into the program.
        Check(::posix_spawn_file_actions_addclosefrom_np(&m_actions, lowestFd));
    }
    const posix_spawn_file_actions_t* Get() const { return &m_actions; }

    static void Check(int result) {
        if (result != 0) {
            ThrowPlatformError(result);
        }
    }

private:
    posix_spawn_file_actions_t m_actions{};
};

/// posix_spawnattr_t with its destroy call.
class SpawnAttributes {
public:
    SpawnAttributes() { SpawnFileActions::Check(::posix_spawnattr_init(&m_attributes)); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;
    ~SpawnAttributes() { ::posix_spawnattr_destroy(&m_attributes); }

    /// The program starts with every signal at its default action and none blocked, whatever
    /// the toolkit did to this process's signal handling.
    void ResetSignals() {
        sigset_t all;
        sigset_t none;
        ::sigfillset(&all);
        ::sigemptyset(&none);
        SpawnFileActions::Check(::posix_spawnattr_setsigdefault(&m_attributes, &all));
        SpawnFileActions::Check(::posix_spawnattr_setsigmask(&m_attributes, &none));
        SpawnFileActions::Check(
            ::posix_spawnattr_setflags(&m_attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK));
    }
    const posix_spawnattr_t* Get() const { return &m_attributes; }

private:
    posix_spawnattr_t m_attributes{};
};

std::vector<char*> ArgumentVector(std::vector<std::string>& words) {
    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    return argv;
}

std::string_view NameOf(std::string_view setting) {
    return setting.substr(0, setting.find('='));
}

/// This process's environment with the settings added, each replacing a variable of its name.
std::vector<std::string> EnvironmentWith(const std::vector<std::string>& settings) {
    std::vector<std::string> entries;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string_view name = NameOf(*entry);
        bool replaced = false;
        for (const std::string& setting : settings) {
            replaced = replaced || NameOf(setting) == name;
        }
        if (!replaced) {
            entries.emplace_back(*entry);
        }
    }
    entries.insert(entries.end(), settings.begin(), settings.end());
    return entries;
}

// In the forked child, until exec: only calls that are safe after fork in a program with threads.
[[noreturn]] void ExecInChild(const char* program, char* const argv[], char* const envp[], const int outputFd,
                              const int errorFd, pid_t parent, int reportFd) {
    const auto fail = [reportFd](int error) {
        (void)::write(reportFd, &error, sizeof error);
        ::_exit(127);
    };
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0) {
        fail(errno);
    }
    // The parent ended before the signal was set: nobody waits for this child any more.
    if (::getppid() != parent) {
        ::_exit(127);
    }
    const int null = ::open("/dev/null", O_RDWR);
    if (null < 0 || ::dup2(null, STDIN_FILENO) < 0 ||
        ::dup2(outputFd >= 0 ? outputFd : null, STDOUT_FILENO) < 0 ||
        ::dup2(errorFd >= 0 ? errorFd : null, STDERR_FILENO) < 0) {
        fail(errno);
    }
    // Every descriptor above the standard ones goes but the report's, which closes on exec.
    if (reportFd > STDERR_FILENO + 1) {
        ::close_range(STDERR_FILENO + 1, static_cast<unsigned>(reportFd) - 1, 0);
    }
    ::close_range(static_cast<unsigned>(reportFd) + 1, ~0U, 0);
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    for (int signal = 1; signal < NSIG; ++signal) {
        ::sigaction(signal, &standard, nullptr);
    }
    sigset_t none;
    ::sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::execve(program, argv, envp);
    fail(errno);
    ::_exit(127);
}

pid_t WaitForPid(pid_t pid, int& status) {
    pid_t result = 0;
    do {
        result = ::waitpid(pid, &status, 0);
    } while (result < 0 && errno == EINTR);
    return result;
}

}  // namespace

ChildProcess ChildProcess::Start(const std::string& programFile, const std::vector<std::string>& words,
                                 const std::vector<std::string>& settings) {
    return Start(programFile, words, Setup{settings, false, -1, -1});
}

ChildProcess ChildProcess::Start(const std::string& programFile, const std::vector<std::string>& words,
                                 const Setup& setup) {
    SpawnFileActions actions;
    actions.Open(STDIN_FILENO, "/dev/null", O_RDONLY);
    actions.Redirect(setup.outputFd, STDOUT_FILENO);
    actions.Redirect(setup.errorFd, STDERR_FILENO);
    actions.CloseFrom(STDERR_FILENO + 1);
    SpawnAttributes attributes;
    attributes.ResetSignals();

    std::vector<std::string> arguments = words;
    std::vector<char*> argv = ArgumentVector(arguments);
    std::vector<std::string> environment =
        setup.settingsOnly ? setup.settings : EnvironmentWith(setup.settings);
    std::vector<char*> envp = ArgumentVector(environment);
    if (setup.endWithThisProcess) {
        return StartEndingWithThisProcess(programFile, argv, envp, setup);
    }
    pid_t pid = -1;
    // posix_spawn, not posix_spawnp: the program file is already resolved, and a file the kernel
    // cannot execute is reported as a failure instead of being handed to a shell.
    const int result =
        ::posix_spawn(&pid, programFile.c_str(), actions.Get(), attributes.Get(), argv.data(), envp.data());
    if (result != 0) {
        ThrowPlatformError(result);
    }
    return ChildProcess(pid);
}

ChildProcess ChildProcess::StartEndingWithThisProcess(const std::string& programFile,
                                                      std::vector<char*>& argv, std::vector<char*>& envp,
                                                      const Setup& setup) {
    // The child reports a failure before its exec here; a successful exec closes the pipe.
    int report[2] = {-1, -1};
    if (::pipe2(report, O_CLOEXEC) != 0) {
        ThrowPlatformError(errno);
    }
    UniqueFd readEnd(report[0]);
    UniqueFd writeEnd(report[1]);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        ThrowPlatformError(errno);
    }
    if (pid == 0) {
        ExecInChild(programFile.c_str(), argv.data(), envp.data(), setup.outputFd, setup.errorFd, parent,
                    writeEnd.Get());
    }
    ChildProcess child(pid);
    writeEnd.Reset();
    int error = 0;
    ssize_t got = 0;
    do {
        got = ::read(readEnd.Get(), &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    if (got == static_cast<ssize_t>(sizeof error)) {
        child.Wait();
        ThrowPlatformError(error);
    }
    return child;
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept : m_pid(std::exchange(other.m_pid, -1)) {}

ChildProcess::~ChildProcess() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        int ignored = 0;
        WaitForPid(m_pid, ignored);
    }
}

int ChildProcess::Wait() {
    if (m_pid <= 0) {
        ThrowPlatformError(ECHILD);
    }
    int status = 0;
    const pid_t waited = WaitForPid(m_pid, status);
    // Whatever waitpid answered, the id is no longer ours to signal.
    m_pid = -1;
    if (waited < 0) {
        ThrowPlatformError(errno);
    }
    return status;
}

int ChildProcess::Kill() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
    }
    return Wait();
}

UniqueFd ChildProcess::ExitDescriptor() const {
    if (m_pid <= 0) {
        return UniqueFd();
    }
    // The C library's pidfd_open is declared without C linkage in this release; the system call
    // is the same.
    return UniqueFd(static_cast<int>(::syscall(SYS_pidfd_open, m_pid, 0)));
}

ChildProcess::End ChildProcess::WaitWhile(const std::function<bool()>& keepWaiting,
                                          std::chrono::milliseconds interval,
                                          std::chrono::milliseconds grace) {
    if (m_pid <= 0) {
        ThrowPlatformError(ECHILD);
    }
    // Readable once the program has ended; without one (an old kernel) the wait is a plain pause.
    const UniqueFd endFd = ExitDescriptor();
    for (;;) {
        // Asked before looking at the program, so that it is asked at least once, right after the
        // start, also of a program that ends at once; an end that came meanwhile still wins.
        const bool goOn = keepWaiting();
        if (const std::optional<int> status = TryWait()) {
            return End{*status, false};
        }
        if (!goOn) {
            const int status = Stop(endFd.Get(), grace);
            return End{status, WIFSIGNALED(status)};
        }
        AwaitEnd(endFd.Get(), interval);
    }
}
std::optional<int> ChildProcess::TryWait() {
    int status = 0;
    pid_t waited = 0;
    do {
        waited = ::waitpid(m_pid, &status, WNOHANG);
    } while (waited < 0 && errno == EINTR);
    if (waited == 0) {
        return std::nullopt;
    }
    m_pid = -1;
    if (waited < 0) {
        ThrowPlatformError(errno);
    }
    return status;
}

void ChildProcess::AwaitEnd(int endFd, std::chrono::milliseconds time) const {
    pollfd end{endFd, POLLIN, 0};
    // An interruption only ends the wait early; the caller looks again.
    ::poll(endFd >= 0 ? &end : nullptr, endFd >= 0 ? 1 : 0, static_cast<int>(time.count()));
}

// A program that ignores the request, or hangs in it, is killed.
int ChildProcess::Stop(int endFd, std::chrono::milliseconds grace) {
    ::kill(m_pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + grace;
    while (std::chrono::steady_clock::now() < deadline) {
        if (const std::optional<int> status = TryWait()) {
            return *status;
        }
        AwaitEnd(endFd, std::chrono::duration_cast<std::chrono::milliseconds>(
                            deadline - std::chrono::steady_clock::now()));
    }
    ::kill(m_pid, SIGKILL);
    return Wait();
}

bool EndedWithSuccess(int waitStatus) {
    return WIFEXITED(waitStatus) && WEXITSTATUS(waitStatus) == 0;
}

}  // namespace synvora
