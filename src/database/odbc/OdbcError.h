#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "files/MigrationError.h"

namespace synvora::odbc {

/// Number of every failure raised by the data-access layer itself: the generic failure code of
/// the data-access objects the program was written for. The procedures above the layer log
/// their own numbers; this one shows only where a layer error travels on unchanged.
inline constexpr std::int32_t kDataAccessError = static_cast<std::int32_t>(0x80004005u);

/// One diagnostic record of an ODBC handle: an error, or an informational message such as a
/// server notice or PRINT output.
struct Diagnostic {
    std::string sqlState;
    std::int32_t nativeError = 0;
    /// The text as the driver wrote it, including its bracketed "[vendor][component]" prefixes.
    std::string message;
    /// What a SQL Server driver adds about a server message: its state, its severity level and
    /// its line within the batch. Empty when the driver does not tell (the PostgreSQL driver
    /// never does).
    std::optional<std::int32_t> serverState = std::nullopt;
    std::optional<std::int32_t> severity = std::nullopt;
    std::optional<std::int32_t> line = std::nullopt;

    /// The message without the leading bracketed prefixes, as a user would want to read it.
    std::string Text() const;
};

/// A failed ODBC call, with every diagnostic record the handle held. It travels as the program's
/// one error type: source is the ODBC function, description the driver's messages.
class OdbcError : public MigrationError {
public:
    OdbcError(std::string function, std::vector<Diagnostic> records);

    const std::vector<Diagnostic>& Records() const noexcept { return m_records; }
    /// SQLSTATE of the first record, "" when the driver left none.
    std::string SqlState() const;
    std::int32_t NativeError() const;

private:
    std::vector<Diagnostic> m_records;
};

}  // namespace synvora::odbc
