// The launch probe on Linux.

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>

#include "LaunchProbe.h"

namespace synvora::probe {
namespace {

std::string LinkTarget(const std::string& link) {
    char buffer[4096];
    const ssize_t length = ::readlink(link.c_str(), buffer, sizeof buffer);
    return length < 0 ? std::string("?") : std::string(buffer, static_cast<std::size_t>(length));
}

int InheritedDescriptors() {
    DIR* folder = ::opendir("/proc/self/fd");
    if (folder == nullptr) {
        return -1;
    }
    int count = 0;
    while (const dirent* entry = ::readdir(folder)) {
        const int fd = std::atoi(entry->d_name);
        if (entry->d_name[0] != '.' && fd > 2 && fd != ::dirfd(folder)) {
            ++count;
        }
    }
    ::closedir(folder);
    return count;
}

}  // namespace

std::vector<std::pair<std::string, std::string>> StartFacts() {
    // Counted before anything of ours is open.
    const int inherited = InheritedDescriptors();
    char byte = 0;
    const ssize_t stdinRead = ::read(STDIN_FILENO, &byte, 1);
    return {{"exe", LinkTarget("/proc/self/exe")},     {"stdin", LinkTarget("/proc/self/fd/0")},
            {"stdout", LinkTarget("/proc/self/fd/1")}, {"stderr", LinkTarget("/proc/self/fd/2")},
            {"stdin_read", std::to_string(stdinRead)}, {"inherited_fds", std::to_string(inherited)},
            {"pid", std::to_string(::getpid())}};
}

void IgnoreEndRequests() {
    ::signal(SIGTERM, SIG_IGN);
}

void EndBySignal(int signal) {
    ::raise(signal);
}

}  // namespace synvora::probe

int main(int argc, char** argv) {
    return synvora::probe::RunProbe(std::vector<std::string>(argv + 1, argv + argc));
}
