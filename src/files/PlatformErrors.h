#pragma once

#include <cstdint>
#include <string>

namespace synvora {

/// Source name of the errors raised by the file-system layer itself.
inline constexpr const char* kFileSystemSource = "FileSystem";

/// Raises the platform error that stands for a C library errno value (53 "File not found",
/// 70 "Permission denied", 61 "Disk full", ...), with the run-time error's fixed description, as
/// the callers' log entries expect. The system's text of the errno value goes along as the
/// error's reason.
[[noreturn]] void ThrowPlatformError(int errnoValue);

/// As above, with a reason of the caller's own, for a failure that the errno value alone would
/// not explain ("the file at the destination is read-only").
[[noreturn]] void ThrowPlatformError(int errnoValue, std::string reason);

/// The platform error number of an errno value. Platform layer: the C libraries of the two
/// systems know different errno values.
std::int32_t PlatformErrorOfErrno(int errnoValue);

/// Raises a platform error by its number (see PlatformError in ErrorCodes.h), with the system's
/// or the caller's reason when there is one.
[[noreturn]] void ThrowPlatformErrorNumber(std::int32_t number, std::string reason = {});

/// The fixed description of a platform error number.
std::string PlatformErrorDescription(std::int32_t number);

}  // namespace synvora
