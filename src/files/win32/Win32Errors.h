#pragma once

#include <cstdint>
#include <string>

namespace synvora {

/// The platform error (PlatformErrors.h) that stands for a Windows system error code
/// (GetLastError): 53 "File not found", 70 "Permission denied", 71 "Disk not ready", ...
std::int32_t PlatformErrorOfWin32(unsigned long error);

/// The system's text of an error code, without its closing full stop ("There is not enough space
/// on the disk").
std::string Win32ErrorText(unsigned long error);

/// Raises the platform error of a system error code, with the system's text as its reason.
[[noreturn]] void ThrowWin32Error(unsigned long error);

/// Raises the platform error of the calling thread's last system error.
[[noreturn]] void ThrowLastWin32Error();

}  // namespace synvora
