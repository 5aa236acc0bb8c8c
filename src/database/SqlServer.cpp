#include "SqlServer.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "files/ErrorCodes.h"
#include "files/MigrationError.h"
#include "files/MigrationLog.h"
#include "odbc/Connection.h"
#include "odbc/Statement.h"

namespace synvora {
namespace {

constexpr const char* kRunSQLCommandSource = "RunSQLCommand";
constexpr const char* kGetValueSource = "GetValueFromDatabase";
// Stands in for a password in the log, so that Migration.log never holds one.
constexpr const char* kMaskedPassword = "********";

bool NeedsBraces(std::string_view value) {
    if (value.empty()) {
        return false;
    }
    return value.find_first_of(";{}") != std::string_view::npos || value.front() == ' ' ||
           value.back() == ' ';
}

std::string ConnectionValue(std::string_view value) {
    if (!NeedsBraces(value)) {
        return std::string(value);
    }
    std::string quoted = "{";
    for (char c : value) {
        quoted += c;
        if (c == '}') {
            quoted += '}';
        }
    }
    quoted += '}';
    return quoted;
}

std::string PasswordForLog(const std::string& password) {
    return password.empty() ? std::string() : kMaskedPassword;
}

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) {
            return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        };
        return lower(x) == lower(y);
    });
}

/// The result's column of that name; the server may report names in another letter case.
std::size_t FindColumn(odbc::Statement& statement, const std::string& name) {
    const std::vector<std::string> names = statement.ColumnNames();
    const auto found = std::find_if(names.begin(), names.end(), [&](const std::string& candidate) {
        return EqualIgnoringAsciiCase(candidate, name);
    });
    if (found == names.end()) {
        throw MigrationError(
            ErrorCode::kGetValueFromDatabase, kGetValueSource,
            "Item cannot be found in the collection corresponding to the requested name or ordinal.");
    }
    return static_cast<std::size_t>(found - names.begin());
}

std::string ReadFirstValue(odbc::Connection& connection, const std::string& query,
                           const std::string& valueColumn) {
    odbc::Statement statement(connection);
    statement.Execute(query);
    if (!statement.Fetch()) {
        return std::string();
    }
    std::optional<std::string> value = statement.Value(FindColumn(statement, valueColumn));
    if (!value) {
        throw MigrationError(ErrorCode::kGetValueFromDatabase, kGetValueSource, "Invalid use of Null");
    }
    return std::move(*value);
}

}  // namespace

std::string ConnectionStringValue(const std::string& value) {
    return ConnectionValue(value);
}

std::string BuildConnectionString(const std::string& server, const std::string& user,
                                  const std::string& password, const std::string& database) {
    return "driver={SQL Server};server=" + ConnectionValue(server) + ";UID=" + ConnectionValue(user) +
           ";PWD=" + ConnectionValue(password) + ";database=" + ConnectionValue(database);
}

std::int32_t TestConnection(const std::string& server, const std::string& user, const std::string& password,
                            const std::string& database) noexcept {
    try {
        odbc::Connection connection(BuildConnectionString(server, user, password, database));
        connection.Close();
        return 0;
    } catch (...) {
        // Callers only need to know whether the details work; the cause is dropped.
        return 1;
    }
}

std::int32_t RunSQLCommand(const std::string& server, const std::string& user, const std::string& password,
                           const std::string& database, const std::string& commandText) {
    std::optional<odbc::Connection> connection;
    try {
        connection.emplace(BuildConnectionString(server, user, password, database));
    } catch (...) {
        WriteLogAndRaise(ErrorCode::kRunSQLCommand, kRunSQLCommandSource,
                         "Unable to connect with given input! Host= " + server + ", User= " + user +
                             ", Password= " + PasswordForLog(password) + ", Database= " + database);
    }
    try {
        {
            odbc::Statement statement(*connection);
            statement.Execute(commandText);
            // A batch reports a failing later statement only when its results are read.
            statement.Drain();
        }
        connection->Close();
    } catch (...) {
        connection.reset();
        WriteLogAndRaise(ErrorCode::kRunSQLCommand, kRunSQLCommandSource,
                         "Unable to run the command!: " + commandText);
    }
    return 0;
}

std::string GetValueFromDatabase(const std::string& server, const std::string& user,
                                 const std::string& password, const std::string& database,
                                 const std::string& valueColumn, const std::string& parameter,
                                 const std::string& table, const std::string& keyColumn) {
    // Names and parameter go in as given; a quote in the parameter makes the query fail, and
    // that failure is logged like any other.
    const std::string query = "SELECT " + valueColumn + " FROM " + database + ".dbo." + table + " WHERE " +
                              keyColumn + "='" + parameter + "'";
    try {
        odbc::Connection connection(BuildConnectionString(server, user, password, database));
        std::string value = ReadFirstValue(connection, query, valueColumn);
        connection.Close();
        return value;
    } catch (...) {
        WriteLogAndRaise(ErrorCode::kGetValueFromDatabase, kGetValueSource,
                         "Could not retrieve value form database!UserName= " + user +
                             ", Password= " + PasswordForLog(password) + ", Database= " + database +
                             ", Value= " + valueColumn + ", Parameter= " + parameter + ", Table= " + table +
                             ", Column= " + keyColumn);
    }
}

}  // namespace synvora
