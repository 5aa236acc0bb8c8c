#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "ClientStreams.h"

namespace synvora::osql {

/// Largest script the client accepts. A migration script is a few megabytes; anything near this
/// is not a script at all (a device, a data file), and reading it whole would exhaust memory.
inline constexpr std::size_t kMostScriptBytes = std::size_t{256} * 1024 * 1024;

/// The script's bytes (Windows-1252) read from the stream. An input larger than limit, or one
/// that holds a NUL byte (no text script does, and the server would cut the statement short at
/// it), is refused before anything of it runs. Raises MigrationError (kClientInput) whose
/// description is the whole message for the user; inputName names the input in it ("the input
/// file x.sql", "standard input").
std::string ReadScriptBytes(ByteStream& input, const std::string& inputName,
                            std::size_t limit = kMostScriptBytes);

/// The same for the script file, or for standard input when there is none.
std::string ReadScriptInput(const std::optional<std::string>& inputFile);

}  // namespace synvora::osql
