#include "PlatformErrors.h"

#include <cerrno>
#include <system_error>

#include "ErrorCodes.h"
#include "MigrationError.h"

namespace synvora {
namespace {

std::int32_t NumberOfErrno(int errnoValue) {
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

}  // namespace

std::string PlatformErrorDescription(std::int32_t number) {
    using namespace PlatformError;
    switch (number) {
        case kUserInterrupt:
            return "User interrupt occurred";
        case kBadFileNameOrNumber:
            return "Bad file name or number";
        case kFileNotFound:
            return "File not found";
        case kFileAlreadyExists:
            return "File already exists";
        case kDiskFull:
            return "Disk full";
        case kInputPastEndOfFile:
            return "Input past end of file";
        case kPermissionDenied:
            return "Permission denied";
        case kDiskNotReady:
            return "Disk not ready";
        case kPathNotFound:
            return "Path not found";
        default:
            return "Path/File access error";
    }
}

void ThrowPlatformErrorNumber(std::int32_t number) {
    throw MigrationError(number, kFileSystemSource, PlatformErrorDescription(number));
}

void ThrowPlatformError(int errnoValue) {
    ThrowPlatformError(errnoValue, std::generic_category().message(errnoValue));
}

void ThrowPlatformError(int errnoValue, std::string reason) {
    const std::int32_t number = NumberOfErrno(errnoValue);
    throw MigrationError(number, kFileSystemSource, PlatformErrorDescription(number), std::move(reason));
}

}  // namespace synvora
