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
//
// The same on both systems (on Windows the permission bits are those the C runtime derives from
// the read-only attribute); the tests give it names and values in ASCII only.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
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
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (path.empty() || error || !std::filesystem::exists(status)) {
        return "absent";
    }
    char text[8];
    std::snprintf(text, sizeof text, "%04o",
                  static_cast<unsigned>(status.permissions() & std::filesystem::perms::mask));
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
    // Emptied in place, as the client does: an existing file keeps its permissions.
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    return static_cast<bool>(out);
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
            std::this_thread::sleep_for(std::chrono::seconds(1));
        }
    }
    const char* code = std::getenv("SYNVORA_CLIENT_PROBE_EXIT");
    return code == nullptr ? 0 : std::atoi(code);
}
