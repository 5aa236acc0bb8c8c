#pragma once

#include <cstdint>
#include <string>

namespace synvora {

/// File name of the migration log, kept in the process's current directory.
inline constexpr const char* kMigrationLogName = "Migration.log";

/// Appends one four-line entry to Migration.log in the current directory: the number as signed
/// decimal, a blank and the source; the message; two empty lines. With raise set it then throws
/// MigrationError(number, source, message). When the log cannot be written the entry is lost and
/// the error is thrown whatever raise says, so a failure is never swallowed.
void WriteLog(std::int32_t number, const std::string& source, const std::string& message, bool raise);

/// Logs the error and raises it again: the usual end of a procedure's failure path.
[[noreturn]] void WriteLogAndRaise(std::int32_t number, const std::string& source,
                                   const std::string& message);

}  // namespace synvora
