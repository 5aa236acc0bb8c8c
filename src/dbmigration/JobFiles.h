#pragma once

namespace synvora {

/// Files of the database job, all in its working folder (the current directory at its start).
/// The migration script as delivered with the product; never changed.
inline constexpr const char* kMigrationScriptName = "migration.sql";
/// The prepared copy with the placeholders filled; it holds the source password.
inline constexpr const char* kPreparedScriptName = "PelluxDest.sql";
/// Everything the client prints while it runs the prepared copy.
inline constexpr const char* kClientOutputName = "PelluxDest.log";

}  // namespace synvora
