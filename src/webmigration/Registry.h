#pragma once

#include <cstdint>
#include <string>

namespace synvora {

/// Root key of every registry read of the program.
inline constexpr std::uint32_t kHKeyLocalMachine = 0x80000002;

/// Reads a string value of this machine's registry: its text up to the first NUL. The default when
/// the key or value cannot be read, or the value with its terminating NUL does not fit in 1024
/// bytes (1023 characters of the ANSI code page fit).
std::string GetRegistryValue(std::uint32_t root, const std::string& keyPath, const std::string& valueName,
                             const std::string& defaultValue);

/// True when the new web server product's key exists on this machine.
bool IsWebServerInstalled();

/// The new web server's installation folder on this machine, or "NotFound".
std::string GetLocalInstallFolder();

/// This machine's computer name, or "NotFound".
std::string GetLocalComputerName();

}  // namespace synvora
