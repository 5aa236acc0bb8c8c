#include "PlatformErrors.h"

#include <system_error>

#include "ErrorCodes.h"
#include "MigrationError.h"

namespace synvora {
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

void ThrowPlatformErrorNumber(std::int32_t number, std::string reason) {
    throw MigrationError(number, kFileSystemSource, PlatformErrorDescription(number), std::move(reason));
}

void ThrowPlatformError(int errnoValue) {
    ThrowPlatformError(errnoValue, std::generic_category().message(errnoValue));
}

void ThrowPlatformError(int errnoValue, std::string reason) {
    ThrowPlatformErrorNumber(PlatformErrorOfErrno(errnoValue), std::move(reason));
}

}  // namespace synvora
