// The system's error codes and the C runtime's errno values on Windows, as the program's platform
// errors.

#include "files/win32/Win32Errors.h"

#include <cerrno>

#include "files/ErrorCodes.h"
#include "files/PlatformErrors.h"
#include "files/win32/WideText.h"
#include "files/win32/WindowsApi.h"

namespace synvora {

std::int32_t PlatformErrorOfWin32(unsigned long error) {
    using namespace PlatformError;
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
            return kFileNotFound;
        case ERROR_PATH_NOT_FOUND:
        case ERROR_DIRECTORY:
            return kPathNotFound;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_WRITE_PROTECT:
        case ERROR_PRIVILEGE_NOT_HELD:
        case ERROR_CURRENT_DIRECTORY:
            return kPermissionDenied;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
        case ERROR_FILE_TOO_LARGE:
            return kDiskFull;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return kFileAlreadyExists;
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_FILENAME_EXCED_RANGE:
        case ERROR_INVALID_PARAMETER:
            return kBadFileNameOrNumber;
        // A drive letter with nothing behind it, and a network drive whose server went away.
        case ERROR_INVALID_DRIVE:
        case ERROR_NOT_READY:
        case ERROR_DEV_NOT_EXIST:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
        case ERROR_NETNAME_DELETED:
        case ERROR_NETWORK_UNREACHABLE:
        case ERROR_HOST_UNREACHABLE:
        case ERROR_UNEXP_NET_ERR:
        case ERROR_NETWORK_BUSY:
        case ERROR_SEM_TIMEOUT:
        case ERROR_CONNECTION_ABORTED:
        case ERROR_CONNECTION_REFUSED:
            return kDiskNotReady;
        default:
            return kPathFileAccessError;
    }
}

std::string Win32ErrorText(unsigned long error) {
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text(buffer != nullptr ? buffer : L"", length);
    ::LocalFree(buffer);
    // The system ends its texts with a full stop and a line break; the log's sentence adds its own.
    while (!text.empty() &&
           (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ' || text.back() == L'.')) {
        text.pop_back();
    }
    if (text.empty()) {
        return "system error " + std::to_string(error);
    }
    return WideToUtf8(text);
}

void ThrowWin32Error(unsigned long error) {
    ThrowPlatformErrorNumber(PlatformErrorOfWin32(error), Win32ErrorText(error));
}

void ThrowLastWin32Error() {
    ThrowWin32Error(::GetLastError());
}

std::int32_t PlatformErrorOfErrno(int errnoValue) {
    using namespace PlatformError;
    switch (errnoValue) {
        case ENOENT:
            return kFileNotFound;
        case ENOTDIR:
            return kPathNotFound;
        case EACCES:
        case EPERM:
        case EROFS:
        case EBUSY:
            return kPermissionDenied;
        case ENOSPC:
        case EFBIG:
            return kDiskFull;
        case EEXIST:
            return kFileAlreadyExists;
        case ENAMETOOLONG:
        case EINVAL:
            return kBadFileNameOrNumber;
        case ENXIO:
        case ENODEV:
        case EPIPE:
            return kDiskNotReady;
        default:
            return kPathFileAccessError;
    }
}

}  // namespace synvora
