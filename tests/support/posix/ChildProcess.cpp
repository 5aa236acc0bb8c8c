#include "support/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

extern char** environ;

namespace synvora::test {
namespace {

std::string NameOf(const std::string& entry) {
    return entry.substr(0, entry.find('='));
}

std::vector<std::string> MergedEnvironment(const std::vector<std::string>& extra) {
    std::vector<std::string> merged;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string current(*entry);
        bool replaced = false;
        for (const std::string& added : extra) {
            replaced = replaced || NameOf(added) == NameOf(current);
        }
        if (!replaced) {
            merged.push_back(current);
        }
    }
    merged.insert(merged.end(), extra.begin(), extra.end());
    return merged;
}

std::vector<char*> PointersTo(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& s : strings) {
        pointers.push_back(s.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

/// posix_spawn's attribute and file-action objects, destroyed on every path.
class SpawnSetup {
public:
    SpawnSetup() {
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawnattr_init(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
    ~SpawnSetup() {
        ::posix_spawn_file_actions_destroy(&actions);
        ::posix_spawnattr_destroy(&attributes);
    }

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
};

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const SpawnOptions& options) {
    if (argv.empty()) {
        throw std::invalid_argument("ChildProcess needs a program");
    }
    SpawnSetup setup;
    if (options.inputFd >= 0) {
        ::posix_spawn_file_actions_adddup2(&setup.actions, options.inputFd, STDIN_FILENO);
    } else {
        const std::string input = options.inputPath.empty() ? "/dev/null" : options.inputPath;
        ::posix_spawn_file_actions_addopen(&setup.actions, STDIN_FILENO, input.c_str(), O_RDONLY, 0);
    }
    const std::string output = options.outputPath.empty() ? "/dev/null" : options.outputPath;
    ::posix_spawn_file_actions_addopen(&setup.actions, STDOUT_FILENO, output.c_str(),
                                       O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::posix_spawn_file_actions_adddup2(&setup.actions, STDOUT_FILENO, STDERR_FILENO);
    if (options.newSession) {
        ::posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETSID);
    }

    std::vector<std::string> arguments = argv;
    std::vector<std::string> environment = MergedEnvironment(options.environment);
    std::vector<char*> argumentPointers = PointersTo(arguments);
    std::vector<char*> environmentPointers = PointersTo(environment);
    const int rc = ::posix_spawnp(&m_pid, arguments.front().c_str(), &setup.actions, &setup.attributes,
                                  argumentPointers.data(), environmentPointers.data());
    if (rc != 0) {
        m_pid = -1;
        throw std::runtime_error("cannot start " + argv.front() + ": " + std::strerror(rc));
    }
}

ChildProcess::~ChildProcess() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        int status = 0;
        while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
}

int ChildProcess::Wait(rusage* usage) {
    if (m_pid <= 0) {
        throw std::logic_error("ChildProcess::Wait on a child that was already reaped");
    }
    int status = 0;
    pid_t result = 0;
    while ((result = ::wait4(m_pid, &status, 0, usage)) < 0 && errno == EINTR) {
    }
    m_pid = -1;
    if (result < 0) {
        throw std::runtime_error(std::string("waitpid failed: ") + std::strerror(errno));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::optional<int> ChildProcess::Poll() {
    if (m_pid <= 0) {
        throw std::logic_error("ChildProcess::Poll on a child that was already reaped");
    }
    int status = 0;
    pid_t result = 0;
    while ((result = ::waitpid(m_pid, &status, WNOHANG)) < 0 && errno == EINTR) {
    }
    if (result == 0) {
        return std::nullopt;
    }
    m_pid = -1;
    if (result < 0) {
        throw std::runtime_error(std::string("waitpid failed: ") + std::strerror(errno));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int RunProcess(const std::vector<std::string>& argv, const SpawnOptions& options) {
    return ChildProcess(argv, options).Wait();
}

}  // namespace synvora::test
