// Stands in for the command-line client where a test needs to see how the job starts it. It is
// built as "osql.exe" into a folder of its own, which the tests put on PATH.
//
// Into the file named by SYNVORA_CLIENT_PROBE_REPORT it records, as NUL-terminated "key=value"
// records: each argument in order ("arg"), and for the files named after /i and /o their
// permission bits as found at the start ("input_mode", "output_mode", "absent" when missing), the
// input's content ("input"), and the password it found in its environment ("password_variable",
// "unset" when OSQLPASSWORD was not set). Then, like the client, it empties the output file (keeping its
// permissions) and writes SYNVORA_CLIENT_PROBE_OUTPUT into it, and ends with the exit code
// SYNVORA_CLIENT_PROBE_EXIT (0 when unset), or, with SYNVORA_CLIENT_PROBE_HANG set, never ends by
// itself, like a script waiting for a server that does not answer.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::string ValueAfter(const std::vector<std::string>& args, const std::string& option) {
    for (std::size_t i = 0; i + 1 < args.size(); ++i) {
        if (args[i] == option) {
            return args[i + 1];
        }
    }
    return {};
}

std::string ModeOf(const std::string& path) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0) {
        return "absent";
    }
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(info.st_mode & 07777));
    return text;
}

std::string ContentOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Record(std::ofstream& out, const std::string& key, const std::string& value) {
    out << key << '=' << value << '\0';
}

bool WriteOutput(const std::string& path, const std::string& text) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    return ::close(fd) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const std::string input = ValueAfter(args, "/i");
    const std::string output = ValueAfter(args, "/o");

    if (const char* report = std::getenv("SYNVORA_CLIENT_PROBE_REPORT")) {
        std::ofstream out(report, std::ios::binary | std::ios::trunc);
        for (const std::string& arg : args) {
            Record(out, "arg", arg);
        }
        Record(out, "input_mode", ModeOf(input));
        Record(out, "output_mode", ModeOf(output));
        Record(out, "input", ContentOf(input));
        const char* password = std::getenv("OSQLPASSWORD");
        Record(out, "password_variable", password == nullptr ? "unset" : password);
    }
    if (!output.empty()) {
        const char* text = std::getenv("SYNVORA_CLIENT_PROBE_OUTPUT");
        if (!WriteOutput(output, text == nullptr ? "" : text)) {
            return 1;
        }
    }
    if (std::getenv("SYNVORA_CLIENT_PROBE_HANG") != nullptr) {
        for (;;) {
            ::pause();
        }
    }
    const char* code = std::getenv("SYNVORA_CLIENT_PROBE_EXIT");
    return code == nullptr ? 0 : std::atoi(code);
}
