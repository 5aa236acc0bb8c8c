// The C library's error numbers on Linux, as the program's platform errors.

#include <cerrno>

#include "files/ErrorCodes.h"
#include "files/PlatformErrors.h"

namespace synvora {

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
        case ETXTBSY:
        case EBUSY:
            return kPermissionDenied;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return kDiskFull;
        case EEXIST:
            return kFileAlreadyExists;
        case ENAMETOOLONG:
        case EINVAL:
            return kBadFileNameOrNumber;
        case ENXIO:
        case ENODEV:
        case EHOSTUNREACH:
        case ECONNREFUSED:
        case ECONNRESET:
        case ECONNABORTED:
        case ENOTCONN:
        case EPIPE:
        case ENETDOWN:
        case ENETUNREACH:
        case ETIMEDOUT:
            return kDiskNotReady;
        default:
            return kPathFileAccessError;
    }
}

}  // namespace synvora
