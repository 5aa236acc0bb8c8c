#pragma once

#include <cstdint>

namespace synvora::ErrorCode {

/// Object error codes: 0x80040000 plus a per-procedure offset, negative as signed 32-bit numbers.
constexpr std::int32_t ObjectError(std::uint32_t offset) {
    return static_cast<std::int32_t>(0x80040000u + offset);
}

constexpr std::int32_t kRunSQLCommand = ObjectError(2);
constexpr std::int32_t kGetValueFromDatabase = ObjectError(3);
constexpr std::int32_t kSearchText = ObjectError(4);
constexpr std::int32_t kGetSearchText = ObjectError(5);
constexpr std::int32_t kTextFound = ObjectError(5);  // shares the offset of GetSearchText
constexpr std::int32_t kRunCommand = ObjectError(6);
constexpr std::int32_t kBuildPath = ObjectError(7);
constexpr std::int32_t kCopyFile = ObjectError(8);
constexpr std::int32_t kCopyFolder = ObjectError(9);
constexpr std::int32_t kCreateFolder = ObjectError(10);
constexpr std::int32_t kSearchForText = ObjectError(12);
constexpr std::int32_t kMigrateParameterFolders = ObjectError(14);
constexpr std::int32_t kMigrateFolders = ObjectError(15);
// The script preparation and the client run have no historical numbers; these two offsets are
// used by nothing else.
constexpr std::int32_t kReplaceSourceEnDestination = ObjectError(16);
constexpr std::int32_t kMigrateDatabases = ObjectError(17);

// The command-line client (tools/osql) is a program of its own; its failures keep to offsets far
// above the wizard's procedures.
constexpr std::int32_t kClientUsage = ObjectError(0x100);
constexpr std::int32_t kClientInput = ObjectError(0x101);
constexpr std::int32_t kClientOutput = ObjectError(0x102);

}  // namespace synvora::ErrorCode

namespace synvora::PlatformError {

/// Failures of the platform layers (file system, process launch) carry the run-time error numbers
/// and descriptions of the scripting runtime they stand in for. Callers that log "the description
/// of the failure being handled" show these texts.
constexpr std::int32_t kUserInterrupt = 18;
constexpr std::int32_t kBadFileNameOrNumber = 52;
constexpr std::int32_t kFileNotFound = 53;
constexpr std::int32_t kFileAlreadyExists = 58;
constexpr std::int32_t kDiskFull = 61;
constexpr std::int32_t kInputPastEndOfFile = 62;
constexpr std::int32_t kPermissionDenied = 70;
constexpr std::int32_t kDiskNotReady = 71;
constexpr std::int32_t kPathFileAccessError = 75;
constexpr std::int32_t kPathNotFound = 76;

}  // namespace synvora::PlatformError
