// What the tests do on Windows itself.

#include <filesystem>
#include <random>
#include <stdexcept>

#include "files/win32/WindowsApi.h"
#include "support/TempDir.h"

namespace synvora::test {

bool RunningAsRoot() {
    return false;
}

std::string MakeTemporaryFolder(std::string_view prefix) {
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path folder = base / FsPath(std::string(prefix) + "-" + RandomHex(8));
        // Fails for a name that is taken, so that no folder is shared with another test.
        if (::CreateDirectoryW(folder.c_str(), nullptr)) {
            return Utf8Path(folder);
        }
        if (::GetLastError() != ERROR_ALREADY_EXISTS) {
            break;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

void MakeReadOnly(const std::string& path) {
    const std::filesystem::path file = FsPath(path);
    const DWORD attributes = ::GetFileAttributesW(file.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        !::SetFileAttributesW(file.c_str(), attributes | FILE_ATTRIBUTE_READONLY)) {
        throw std::runtime_error("cannot make " + path + " read-only");
    }
}

std::optional<std::string> EnvironmentValue(const std::string& name) {
    const std::wstring wideName = FsPath(name).wstring();
    const wchar_t* value = ::_wgetenv(wideName.c_str());
    return value == nullptr ? std::nullopt : std::optional<std::string>(Utf8Path(value));
}

void SetEnvironmentValue(const std::string& name, const std::optional<std::string>& value) {
    // Through the C runtime, which passes it on to the system's environment as well.
    const std::wstring wideName = FsPath(name).wstring();
    const std::wstring wideValue = value ? FsPath(*value).wstring() : std::wstring();
    if (::_wputenv_s(wideName.c_str(), wideValue.c_str()) != 0) {
        throw std::runtime_error("cannot set " + name);
    }
}

std::string OwnFolder() {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return Utf8Path(std::filesystem::path(path).parent_path());
}

std::string ExecutableSuffix() {
    return ".exe";
}

std::string FullDevice() {
    return {};
}

std::string ZeroDevice() {
    return {};
}

std::string TextLineEnd() {
    return "\r\n";
}

void SetModificationTime(const std::string& path, FileTime modified) {
    const HANDLE file = ::CreateFileW(
        FsPath(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    // 100 ns steps since 1601.
    const auto ticks = static_cast<std::uint64_t>(modified.seconds * 10'000'000 + modified.nanoseconds / 100 +
                                                  116'444'736'000'000'000);
    const FILETIME time = {static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
    const bool set = file != INVALID_HANDLE_VALUE && ::SetFileTime(file, nullptr, nullptr, &time);
    if (file != INVALID_HANDLE_VALUE) {
        ::CloseHandle(file);
    }
    if (!set) {
        throw std::runtime_error("cannot set the time of " + path);
    }
}

bool MakeLink(const std::string& target, const std::string& link) {
    const std::filesystem::path to = FsPath(target);
    const DWORD kind = std::filesystem::is_directory(to) ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0;
    ::CreateSymbolicLinkW(FsPath(link).c_str(), to.c_str(),
                          kind | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
    return IsLink(link);
}

bool IsLink(const std::string& path) {
    WIN32_FIND_DATAW data{};
    const HANDLE search =
        ::FindFirstFileExW(FsPath(path).c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) {
        return false;
    }
    ::FindClose(search);
    return (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
           IsReparseTagNameSurrogate(data.dwReserved0);
}

}  // namespace synvora::test
