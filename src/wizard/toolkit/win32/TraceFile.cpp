#include "wizard/toolkit/TraceFile.h"

#include <fcntl.h>
#include <io.h>

#include "files/win32/OwnerOnlySecurity.h"
#include "files/win32/WideText.h"

namespace synvora {

std::FILE* OpenTraceFile(const std::string& path) {
    OwnerOnlySecurity ownerOnly;
    // A reparse point at the name is opened itself, not followed, and then refused.
    HANDLE handle = ::CreateFileW(Utf8ToWide(path).c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, ownerOnly.Attributes(), OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    if (!::GetFileInformationByHandle(handle, &information) ||
        (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        ::CloseHandle(handle);
        return nullptr;
    }
    // From here the descriptor owns the handle, and the stream the descriptor.
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_APPEND | _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        ::CloseHandle(handle);
        return nullptr;
    }
    std::FILE* file = ::_fdopen(fd, "ab");
    if (file == nullptr) {
        ::_close(fd);
    }
    return file;
}

}  // namespace synvora
