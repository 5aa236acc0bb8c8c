#pragma once

#include <cstdint>
#include <string>

namespace synvora {

/// "driver={SQL Server};server=...;UID=...;PWD=...;database=...". A value holding ";", "{" or "}",
/// or beginning or ending with a blank, is enclosed in braces with every "}" doubled, so that it
/// reaches the driver whole; every other value is inserted exactly as typed.
std::string BuildConnectionString(const std::string& server, const std::string& user,
                                  const std::string& password, const std::string& database);

/// A value as BuildConnectionString writes it into the connection string: braced where needed.
std::string ConnectionStringValue(const std::string& value);

/// 0 when a connection with these details can be opened and closed again, 1 on any failure, a
/// failed allocation included: it answers and never raises. Logs nothing and shows nothing.
std::int32_t TestConnection(const std::string& server, const std::string& user, const std::string& password,
                            const std::string& database) noexcept;

/// Runs a statement (or a batch) in the database and reads through all its results; 0 when it
/// ran. A failure to connect or to run is logged under RunSQLCommand and raised.
std::int32_t RunSQLCommand(const std::string& server, const std::string& user, const std::string& password,
                           const std::string& database, const std::string& commandText);

/// Value of the named column in the first row of
/// "SELECT <valueColumn> FROM <database>.dbo.<table> WHERE <keyColumn>='<parameter>'", as text;
/// "" when no row matches. Any failure, a NULL value included, is logged under
/// GetValueFromDatabase and raised.
std::string GetValueFromDatabase(const std::string& server, const std::string& user,
                                 const std::string& password, const std::string& database,
                                 const std::string& valueColumn, const std::string& parameter,
                                 const std::string& table, const std::string& keyColumn);

}  // namespace synvora
