// Paths on Windows: "\" separates, and the system knows which drives are network drives.

#include <string>

#include "files/Paths.h"
#include "files/win32/WideText.h"
#include "files/win32/Win32Errors.h"
#include "files/win32/WindowsApi.h"

namespace synvora {

const char kPathSeparator = '\\';
const char kOtherPathSeparator = '/';

std::string CurrentDirectory() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length == 0) {
            ThrowLastWin32Error();
        }
        if (length < buffer.size()) {
            buffer.resize(length);
            return WideToUtf8(buffer);
        }
        buffer.resize(length);  // the size needed, terminating NUL included
    }
}

bool IsOnNetworkDrive(std::string_view path) {
    // A long-path form names the same place: "\\?\C:\..." a drive, "\\?\UNC\..." a share.
    if (path.starts_with("\\\\?\\")) {
        path.remove_prefix(4);
        if (path.starts_with("UNC\\")) {
            return true;
        }
        return IsOnNetworkDrive(path);
    }
    const bool sharePath =
        path.size() >= 2 && (path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/');
    if (sharePath) {
        return true;
    }
    if (!IsDrivePath(path)) {
        return false;
    }
    const std::wstring root = {static_cast<wchar_t>(path[0]), L':', L'\\'};
    return ::GetDriveTypeW(root.c_str()) == DRIVE_REMOTE;
}

}  // namespace synvora
