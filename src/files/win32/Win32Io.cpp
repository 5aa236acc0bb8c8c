#include "files/win32/Win32Io.h"

#include <algorithm>

#include "files/ErrorCodes.h"
#include "files/PlatformErrors.h"
#include "files/win32/WideText.h"
#include "files/win32/Win32Errors.h"

namespace synvora {
namespace {

// Folders may be created only with room for an 8.3 name below them: the plain calls stop at 248
// characters there, the others at MAX_PATH.
constexpr std::size_t kLongestPlainPath = MAX_PATH - 12;

constexpr std::int64_t kTicksPerSecond = 10'000'000;
// 100 ns steps from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kTicksTo1970 = 116'444'736'000'000'000;

std::wstring FullPath(const std::wstring& path) {
    const DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) {
        ThrowLastWin32Error();
    }
    std::wstring full(needed, L'\0');
    const DWORD length = ::GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) {
        ThrowLastWin32Error();
    }
    full.resize(length);
    return full;
}

}  // namespace

std::wstring ApiPath(const std::string& path) {
    if (path.empty()) {
        ThrowPlatformErrorNumber(PlatformError::kFileNotFound);
    }
    std::wstring wide = Utf8ToWide(path);
    if (wide.starts_with(L"\\\\?\\")) {
        return wide;  // already in the form the system takes as it is
    }
    std::replace(wide.begin(), wide.end(), L'/', L'\\');
    if (wide.size() < kLongestPlainPath) {
        return wide;
    }
    return LongFormPath(wide);
}

std::wstring LongFormPath(const std::wstring& path) {
    if (path.starts_with(L"\\\\?\\")) {
        return path;
    }
    // The long form is taken literally: no "." or "..", no relative path, only "\".
    const std::wstring full = FullPath(path);
    if (full.starts_with(L"\\\\")) {
        return L"\\\\?\\UNC\\" + full.substr(2);
    }
    return L"\\\\?\\" + full;
}

UniqueHandle OpenOrThrow(const std::string& path, DWORD access, DWORD share, DWORD disposition, DWORD flags,
                         SECURITY_ATTRIBUTES* security) {
    UniqueHandle handle(
        ::CreateFileW(ApiPath(path).c_str(), access, share, security, disposition, flags, nullptr));
    if (!handle.Valid()) {
        ThrowLastWin32Error();
    }
    return handle;
}

void WriteAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data(), piece, &written, nullptr)) {
            ThrowLastWin32Error();
        }
        bytes.remove_prefix(written);
    }
}

void WriteAllAt(HANDLE file, std::uint64_t offset, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data(), piece, &written, &at)) {
            ThrowLastWin32Error();
        }
        bytes.remove_prefix(written);
        offset += written;
    }
}

std::pair<std::string, std::string> SplitFolderAndName(const std::string& path) {
    const auto separator = path.find_last_of("\\/");
    if (separator == std::string::npos) {
        return {".", path};
    }
    // "C:\name" has its folder in "C:\", not in "C:" (the current directory of drive C).
    const bool driveRoot = separator == 2 && path[1] == ':';
    return {path.substr(0, driveRoot || separator == 0 ? separator + 1 : separator),
            path.substr(separator + 1)};
}

FileTime FileTimeOf(const FILETIME& time) {
    const std::int64_t ticks =
        static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) |
                                  time.dwLowDateTime) -
        kTicksTo1970;
    std::int64_t seconds = ticks / kTicksPerSecond;
    std::int64_t rest = ticks % kTicksPerSecond;
    if (rest < 0) {
        seconds -= 1;
        rest += kTicksPerSecond;
    }
    return {seconds, rest * 100};
}

FILETIME FileTimeToSystem(FileTime time) {
    const auto ticks =
        static_cast<std::uint64_t>(time.seconds * kTicksPerSecond + time.nanoseconds / 100 + kTicksTo1970);
    return {static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
}

int AttributesOf(DWORD systemAttributes) {
    return static_cast<int>(systemAttributes) &
           (kAttributeReadOnly | kAttributeDirectory | kAttributeArchive);
}

FolderIdentity IdentityOf(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(handle, &info)) {
        return {};
    }
    const std::uint64_t index = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    // A file index of 0 would read as "unknown": shift it, the pair stays unique.
    return {info.dwVolumeSerialNumber, index + 1};
}

}  // namespace synvora
