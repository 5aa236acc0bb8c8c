#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Handle.h"
#include "OdbcError.h"

namespace synvora::odbc {

/// Time limits of the data-access layer, in seconds; 0 means no limit. The defaults are those of
/// the data-access objects the program was written for.
struct Timeouts {
    int loginSeconds = 15;
    int commandSeconds = 30;
};

/// An open ODBC connection, made from a full connection string without prompting. It owns its
/// environment and connection handles and disconnects on destruction if Close was not called.
/// Statements made on it must be destroyed before it.
class Connection {
public:
    /// Connects; raises OdbcError (with the driver's records) when the connection cannot be made.
    explicit Connection(const std::string& connectionString, Timeouts timeouts = {});
    Connection(Connection&&) noexcept = default;
    // Assigning would free a connected handle without disconnecting it first.
    Connection& operator=(Connection&&) = delete;
    ~Connection();

    /// Disconnects and raises OdbcError if the driver reports a failure; a second call does
    /// nothing.
    void Close();
    bool IsOpen() const noexcept { return m_open; }

    /// Whether the link to the server is gone, as the driver knows it without asking the server
    /// (SQL_ATTR_CONNECTION_DEAD); nothing when the driver cannot tell. A closed connection is
    /// gone.
    std::optional<bool> IsDead() const noexcept;

    const Timeouts& GetTimeouts() const noexcept { return m_timeouts; }

    /// Informational records of the connect (for instance a changed database context), oldest
    /// first; each is returned once.
    std::vector<Diagnostic> TakeMessages();

    /// The ODBC connection handle (SQLHDBC), for the layer's statements.
    void* NativeHandle() const noexcept { return m_connection.get(); }

private:
    Handle m_environment;
    Handle m_connection;
    bool m_open = false;
    Timeouts m_timeouts;
    std::vector<Diagnostic> m_messages;
};

}  // namespace synvora::odbc
