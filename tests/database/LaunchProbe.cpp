// A small program for the command launch tests. It records what it was started with into the
// file named by SYNVORA_PROBE_REPORT, as NUL-terminated "key=value" records: its own executable,
// where its standard descriptors lead, what reading standard input gives, how many other
// descriptors it inherited, its process id, the value of the variable named by SYNVORA_PROBE_SHOW
// ("shown"), and each argument in order. It then ends as SYNVORA_PROBE_EXIT (exit code) or
// SYNVORA_PROBE_SIGNAL (signal number) asks, or, with SYNVORA_PROBE_HANG, never ends by itself
// ("ignore-term": nor when asked to), or, with SYNVORA_PROBE_WAIT_FOR naming a file, ends only once
// that file exists, so that a test can hold it running for as long as it needs to.
#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

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

void Record(std::ofstream& out, const std::string& key, const std::string& value) {
    out << key << '=' << value << '\0';
}

}  // namespace

int main(int argc, char** argv) {
    const char* hang = std::getenv("SYNVORA_PROBE_HANG");
    if (hang != nullptr && std::string(hang) == "ignore-term") {
        ::signal(SIGTERM, SIG_IGN);
    }
    // Counted before anything of ours is open.
    const int inherited = InheritedDescriptors();
    char byte = 0;
    const ssize_t stdinRead = ::read(STDIN_FILENO, &byte, 1);
    std::fputs("probe output that nobody should see\n", stdout);
    std::fputs("probe errors that nobody should see\n", stderr);

    if (const char* report = std::getenv("SYNVORA_PROBE_REPORT")) {
        // Written aside and renamed into place: whoever sees the report sees all of it.
        const std::string written = std::string(report) + ".part";
        std::ofstream out(written, std::ios::binary | std::ios::trunc);
        Record(out, "exe", LinkTarget("/proc/self/exe"));
        Record(out, "stdin", LinkTarget("/proc/self/fd/0"));
        Record(out, "stdout", LinkTarget("/proc/self/fd/1"));
        Record(out, "stderr", LinkTarget("/proc/self/fd/2"));
        Record(out, "stdin_read", std::to_string(stdinRead));
        Record(out, "inherited_fds", std::to_string(inherited));
        Record(out, "pid", std::to_string(::getpid()));
        if (const char* shown = std::getenv("SYNVORA_PROBE_SHOW")) {
            const char* value = std::getenv(shown);
            Record(out, "shown", value == nullptr ? "unset" : value);
        }
        for (int i = 1; i < argc; ++i) {
            Record(out, "arg", argv[i]);
        }
        out.close();
        std::rename(written.c_str(), report);
    }
    if (const char* awaited = std::getenv("SYNVORA_PROBE_WAIT_FOR")) {
        while (::access(awaited, F_OK) != 0) {
            ::usleep(10'000);
        }
    }
    if (hang != nullptr) {
        for (;;) {
            ::pause();
        }
    }
    if (const char* signal = std::getenv("SYNVORA_PROBE_SIGNAL")) {
        ::raise(std::atoi(signal));
    }
    const char* code = std::getenv("SYNVORA_PROBE_EXIT");
    return code == nullptr ? 0 : std::atoi(code);
}
