#include "PlatformErrors.h"

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

void ThrowPlatformErrorNumber(std::int32_t number) {
    throw MigrationError(number, kFileSystemSource, PlatformErrorDescription(number));
}

void ThrowPlatformError(int errnoValue) {
    ThrowPlatformErrorNumber(PlatformErrorOfErrno(errnoValue));
}

}  // namespace synvora
