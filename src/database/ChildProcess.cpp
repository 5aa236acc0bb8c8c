#include "ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "files/PlatformErrors.h"

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

pid_t WaitForPid(pid_t pid, int& status) {
    pid_t result = 0;
    do {
        result = ::waitpid(pid, &status, 0);
    } while (result < 0 && errno == EINTR);
    return result;
}

}  // namespace

ChildProcess ChildProcess::Start(const std::string& programFile, const std::vector<std::string>& words) {
    return Start(programFile, words, Setup{});
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
    std::vector<std::string> environment = setup.environment.value_or(std::vector<std::string>{});
    std::vector<char*> envp = ArgumentVector(environment);
    pid_t pid = -1;
    // posix_spawn, not posix_spawnp: the program file is already resolved, and a file the kernel
    // cannot execute is reported as a failure instead of being handed to a shell.
    const int result = ::posix_spawn(&pid, programFile.c_str(), actions.Get(), attributes.Get(), argv.data(),
                                     setup.environment ? envp.data() : environ);
    if (result != 0) {
        ThrowPlatformError(result);
    }
    return ChildProcess(pid);
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
        ThrowPlatformError(ECHILD);
    }
    // Through syscall: the C library's header of this release declares the call without C linkage.
    UniqueFd descriptor(static_cast<int>(::syscall(SYS_pidfd_open, m_pid, 0)));
    if (!descriptor.Valid()) {
        ThrowPlatformError(errno);
    }
    return descriptor;
}

bool EndedWithSuccess(int waitStatus) {
    return WIFEXITED(waitStatus) && WEXITSTATUS(waitStatus) == 0;
}

}  // namespace synvora
