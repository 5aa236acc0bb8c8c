// The launch probe on Windows: its arguments as the C runtime divides the wide command line.

#include <cstdlib>

#include "LaunchProbe.h"
#include "files/win32/WideText.h"
#include "files/win32/WindowsApi.h"

namespace synvora::probe {

std::vector<std::pair<std::string, std::string>> StartFacts() {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return {{"exe", WideToUtf8(path)}, {"pid", std::to_string(::GetCurrentProcessId())}};
}

// A program is ended with TerminateProcess, which nothing can refuse.
void IgnoreEndRequests() {}

void EndBySignal(int signal) {
    std::exit(128 + signal);
}

}  // namespace synvora::probe

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        args.push_back(synvora::WideToUtf8(argv[i]));
    }
    return synvora::probe::RunProbe(args);
}
