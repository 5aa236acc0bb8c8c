// Child processes of the tests on Windows: CreateProcessW with the arguments quoted into one
// command line, the standard streams on files or NUL.

#include "support/ChildProcess.h"

#include <algorithm>
#include <stdexcept>

#include "database/CommandLineSplit.h"
#include "files/win32/UniqueHandle.h"
#include "files/win32/WideText.h"
#include "files/win32/WindowsApi.h"

namespace synvora::test {
namespace {

std::wstring NameOf(const std::wstring& entry) {
    // "=C:=C:\x", the current folder of a drive, has its name after the leading "=".
    return entry.substr(0, entry.find(L'=', 1));
}

bool SameName(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                  static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

/// This process's environment with the entries laid over it, as one block for CreateProcessW.
std::wstring EnvironmentBlockWith(const std::vector<std::string>& extra) {
    std::vector<std::wstring> entries;
    if (wchar_t* strings = ::GetEnvironmentStringsW()) {
        for (const wchar_t* entry = strings; *entry != L'\0'; entry += std::wcslen(entry) + 1) {
            entries.emplace_back(entry);
        }
        ::FreeEnvironmentStringsW(strings);
    }
    for (const std::string& added : extra) {
        std::wstring entry = Utf8ToWide(added);
        std::erase_if(entries, [&](const std::wstring& old) { return SameName(NameOf(old), NameOf(entry)); });
        entries.push_back(std::move(entry));
    }
    std::wstring block;
    for (const std::wstring& entry : entries) {
        block += entry;
        block += L'\0';
    }
    return block + L'\0';
}

/// A file (or NUL) as a standard stream the child inherits.
UniqueHandle InheritableFile(const std::string& path, bool forWriting) {
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    const std::wstring name = path.empty() ? L"NUL" : Utf8ToWide(path);
    UniqueHandle file(::CreateFileW(name.c_str(), forWriting ? GENERIC_WRITE : GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inheritable,
                                    forWriting && !path.empty() ? CREATE_ALWAYS : OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        throw std::runtime_error("cannot open " + (path.empty() ? std::string("NUL") : path) +
                                 " for a child process");
    }
    return file;
}

int ExitCodeOf(HANDLE process) {
    DWORD code = 0;
    if (!::GetExitCodeProcess(process, &code)) {
        throw std::runtime_error("cannot read a child's exit code");
    }
    return static_cast<int>(code);
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const SpawnOptions& options) {
    if (argv.empty()) {
        throw std::invalid_argument("ChildProcess needs a program");
    }
    if (options.inputFd >= 0) {
        throw std::invalid_argument("a descriptor as standard input is Linux only; name a file");
    }
    std::string commandLine;
    for (const std::string& word : argv) {
        commandLine += (commandLine.empty() ? "" : " ") + QuoteCommandLineWord(word);
    }
    std::wstring line = Utf8ToWide(commandLine);
    std::wstring environment = EnvironmentBlockWith(options.environment);
    const UniqueHandle input = InheritableFile(options.inputPath, false);
    const UniqueHandle output = InheritableFile(options.outputPath, true);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input.Get();
    startup.hStdOutput = output.Get();
    startup.hStdError = output.Get();
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE,
                          CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT, environment.data(), nullptr,
                          &startup, &started)) {
        throw std::runtime_error("cannot start " + argv.front() + " (error " +
                                 std::to_string(::GetLastError()) + ")");
    }
    ::CloseHandle(started.hThread);
    m_process = started.hProcess;
    m_pid = static_cast<pid_t>(started.dwProcessId);
}

ChildProcess::~ChildProcess() {
    if (m_process != nullptr) {
        ::TerminateProcess(m_process, 1);
        ::WaitForSingleObject(m_process, INFINITE);
        ::CloseHandle(m_process);
    }
}

int ChildProcess::Wait(rusage*) {
    if (m_process == nullptr) {
        throw std::logic_error("ChildProcess::Wait on a child that was already reaped");
    }
    const UniqueHandle process(std::exchange(m_process, nullptr));
    m_pid = -1;
    ::WaitForSingleObject(process.Get(), INFINITE);
    return ExitCodeOf(process.Get());
}

std::optional<int> ChildProcess::Poll() {
    if (m_process == nullptr) {
        throw std::logic_error("ChildProcess::Poll on a child that was already reaped");
    }
    if (::WaitForSingleObject(m_process, 0) != WAIT_OBJECT_0) {
        return std::nullopt;
    }
    return Wait();
}

int RunProcess(const std::vector<std::string>& argv, const SpawnOptions& options) {
    return ChildProcess(argv, options).Wait();
}

}  // namespace synvora::test
