// Starts the wizard for the Start menu entry. The wizard reads migration.sql from its current
// directory and writes Migration.log, PelluxDest.sql and PelluxDest.log there; a shortcut would
// start it wherever Windows chooses, so it runs in a work folder of the user's own,
// %USERPROFILE%\Synvora-Migration, created on first use and open to its owner only: the
// migration's files name servers and logins.
#include <shlobj.h>

#include <stdexcept>
#include <string>

#include "files/win32/OwnerOnlySecurity.h"
#include "files/win32/WideText.h"
#include "files/win32/WindowsApi.h"
#include "jobhost/MessageBoxes.h"

namespace {

constexpr wchar_t kWorkFolderName[] = L"Synvora-Migration";
constexpr wchar_t kWizardProgram[] = L"synvora-migration-wizard.exe";

std::runtime_error SystemFailure(const std::wstring& what) {
    wchar_t* text = nullptr;
    const DWORD error = ::GetLastError();
    ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = what + L": " + (text != nullptr ? text : std::to_wstring(error));
    ::LocalFree(text);
    return std::runtime_error(synvora::WideToUtf8(message));
}

std::wstring WorkFolder() {
    wchar_t* profile = nullptr;
    if (FAILED(::SHGetKnownFolderPath(FOLDERID_Profile, KF_FLAG_DEFAULT, nullptr, &profile))) {
        ::CoTaskMemFree(profile);
        throw std::runtime_error("The user's profile folder cannot be found.");
    }
    std::wstring folder = std::wstring(profile) + L"\\" + kWorkFolderName;
    ::CoTaskMemFree(profile);
    return folder;
}

/// Creates the folder owner-only; one that exists is used as it is, as `mkdir -p` would.
void MakeWorkFolder(const std::wstring& folder) {
    synvora::OwnerOnlySecurity ownerOnly;
    if (::CreateDirectoryW(folder.c_str(), ownerOnly.Attributes()) ||
        ::GetLastError() == ERROR_ALREADY_EXISTS) {
        const DWORD attributes = ::GetFileAttributesW(folder.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            return;
        }
        ::SetLastError(ERROR_DIRECTORY);
    }
    throw SystemFailure(L"The work folder " + folder + L" cannot be created");
}

/// The wizard beside this program.
std::wstring WizardPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            throw SystemFailure(L"This program's own folder cannot be found");
        }
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return path.substr(0, path.find_last_of(L'\\') + 1) + kWizardProgram;
}

void StartWizardIn(const std::wstring& folder) {
    const std::wstring program = WizardPath();
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          folder.c_str(), &startup, &process)) {
        throw SystemFailure(L"The wizard " + program + L" cannot be started");
    }
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    try {
        const std::wstring folder = WorkFolder();
        MakeWorkFolder(folder);
        StartWizardIn(folder);
        return 0;
    } catch (const std::exception& failure) {
        ::MessageBoxW(nullptr, synvora::Utf8ToWide(failure.what()).c_str(),
                      synvora::Utf8ToWide(synvora::kApplicationTitle).c_str(), MB_OK | MB_ICONHAND);
        return 1;
    }
}
