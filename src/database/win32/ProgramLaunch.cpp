// Programs of a command line on Windows: the line goes to CreateProcessW exactly as it was built
// (it is already in Windows form), the program hidden, its standard streams on NUL.

#include "database/ProgramLaunch.h"

#include <algorithm>
#include <vector>

#include "database/CommandLineSplit.h"
#include "files/win32/UniqueHandle.h"
#include "files/win32/WideText.h"
#include "files/win32/Win32Errors.h"
#include "files/win32/WindowsApi.h"

namespace synvora {
namespace {

/// Often enough for a window to feel alive, seldom enough to cost nothing.
constexpr DWORD kPollMilliseconds = 100;
/// Time the system gets to end a stopped program.
constexpr DWORD kStopGraceMilliseconds = 3000;
/// The exit code a stopped program ends with.
constexpr UINT kStoppedExitCode = 1;

bool IsFile(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The file of a name in a folder; without an extension ".exe" is tried as well, as Windows does.
std::wstring FindIn(const std::wstring& folder, const std::wstring& name) {
    if (folder.empty()) {
        return {};
    }
    std::wstring candidate = folder;
    if (candidate.back() != L'\\' && candidate.back() != L'/') {
        candidate += L'\\';
    }
    candidate += name;
    if (IsFile(candidate)) {
        return candidate;
    }
    const bool hasExtension = name.find(L'.') != std::wstring::npos;
    if (!hasExtension && IsFile(candidate + L".exe")) {
        return candidate + L".exe";
    }
    return {};
}

std::wstring OwnFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            return path.substr(0, path.find_last_of(L"\\/"));
        }
        path.resize(path.size() * 2);
    }
}

std::wstring EnvironmentValue(const wchar_t* name) {
    const DWORD needed = ::GetEnvironmentVariableW(name, nullptr, 0);
    if (needed == 0) {
        return {};
    }
    std::wstring value(needed, L'\0');
    const DWORD length = ::GetEnvironmentVariableW(name, value.data(), needed);
    value.resize(length < needed ? length : 0);
    return value;
}

/// Where the program of a command line is started from: a name with a folder as given; a bare
/// name in the running program's own folder first, so that tools delivered beside the wizard win,
/// then in the folders of PATH. The current directory is not searched. "" when nothing is found.
std::wstring FindProgram(const std::string& word) {
    const std::wstring name = Utf8ToWide(word);
    if (name.empty()) {
        return {};
    }
    if (name.find_first_of(L"\\/:") != std::wstring::npos) {
        return name;
    }
    if (std::wstring own = FindIn(OwnFolder(), name); !own.empty()) {
        return own;
    }
    const std::wstring path = EnvironmentValue(L"PATH");
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find(L';', start), path.size());
        if (std::wstring found = FindIn(path.substr(start, end - start), name); !found.empty()) {
            return found;
        }
        start = end + 1;
    }
    return {};
}

std::wstring NameOf(const std::wstring& entry) {
    // "=C:=C:\x", the current folder of a drive, has its name after the leading "=".
    return entry.substr(0, entry.find(L'=', 1));
}

bool LessIgnoringCase(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                  static_cast<int>(b.size()), TRUE) == CSTR_LESS_THAN;
}

bool SameName(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                  static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

/// This process's environment with the settings laid over it (names without regard to case, as
/// Windows has them), sorted as the system keeps an environment, as one block for CreateProcessW.
std::wstring EnvironmentBlockWith(const std::vector<std::string>& settings) {
    std::vector<std::wstring> entries;
    if (wchar_t* strings = ::GetEnvironmentStringsW()) {
        for (const wchar_t* entry = strings; *entry != L'\0'; entry += std::wcslen(entry) + 1) {
            entries.emplace_back(entry);
        }
        ::FreeEnvironmentStringsW(strings);
    }
    for (const std::string& setting : settings) {
        std::wstring entry = Utf8ToWide(setting);
        const std::wstring name = NameOf(entry);
        std::erase_if(entries,
                      [&](const std::wstring& existing) { return SameName(NameOf(existing), name); });
        entries.push_back(std::move(entry));
    }
    std::stable_sort(entries.begin(), entries.end(), [](const std::wstring& a, const std::wstring& b) {
        return LessIgnoringCase(NameOf(a), NameOf(b));
    });
    std::wstring block;
    for (const std::wstring& entry : entries) {
        block += entry;
        block += L'\0';
    }
    block += L'\0';
    return block;
}

/// The NUL device, for the program's standard streams; inherited by it.
UniqueHandle OpenNulDevice() {
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    UniqueHandle nul(::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   &inheritable, OPEN_EXISTING, 0, nullptr));
    if (!nul.Valid()) {
        ThrowLastWin32Error();
    }
    return nul;
}

DWORD ExitCodeOf(HANDLE process) {
    DWORD code = 0;
    if (!::GetExitCodeProcess(process, &code)) {
        ThrowLastWin32Error();
    }
    return code;
}

}  // namespace

ProgramEnd LaunchAndWait(const std::string& commandLine, const CommandOptions& options) {
    const std::vector<std::string> words = SplitCommandLine(commandLine);
    const std::wstring program = words.empty() ? std::wstring() : FindProgram(words.front());
    if (program.empty()) {
        ThrowWin32Error(ERROR_FILE_NOT_FOUND);
    }
    // CreateProcessW may write into the line: a copy of its own.
    std::wstring line = Utf8ToWide(commandLine);
    std::wstring environment = EnvironmentBlockWith(options.environment);
    const UniqueHandle nul = OpenNulDevice();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = nul.Get();
    startup.hStdOutput = nul.Get();
    startup.hStdError = nul.Get();
    PROCESS_INFORMATION started{};
    // Only the NUL handle is inheritable here: the program's own handles are opened without
    // inheritance.
    if (!::CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE,
                          CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT, environment.data(), nullptr,
                          &startup, &started)) {
        ThrowLastWin32Error();
    }
    const UniqueHandle process(started.hProcess);
    const UniqueHandle thread(started.hThread);
    if (!options.whileRunning) {
        ::WaitForSingleObject(process.Get(), INFINITE);
        return ProgramEnd{ExitCodeOf(process.Get()) == 0, false};
    }
    for (;;) {
        // Asked before looking at the program, so that it is asked at least once, right after the
        // start, also of a program that ends at once; an end that came meanwhile still wins.
        const bool goOn = options.whileRunning();
        if (::WaitForSingleObject(process.Get(), 0) == WAIT_OBJECT_0) {
            return ProgramEnd{ExitCodeOf(process.Get()) == 0, false};
        }
        if (!goOn) {
            // A console program without a console of its own has no other way to be asked: it ends
            // at once, and the server undoes what it had not committed. The grace is the wait for
            // the end to be complete.
            ::TerminateProcess(process.Get(), kStoppedExitCode);
            ::WaitForSingleObject(process.Get(), kStopGraceMilliseconds);
            return ProgramEnd{false, true};
        }
        ::WaitForSingleObject(process.Get(), kPollMilliseconds);
    }
}

}  // namespace synvora
