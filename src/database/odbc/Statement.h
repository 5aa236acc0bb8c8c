#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Handle.h"
#include "OdbcError.h"

namespace synvora::odbc {

class Connection;

/// Runs a batch of SQL on a connection and walks through its results: each result is either a set
/// of rows (with column names) or a count of affected rows. Values are read as text. Messages the
/// server sends on the way (notices, PRINT output, warnings) are collected in the order they
/// arrive. Failures raise OdbcError. The statement must not outlive its connection.
class Statement {
public:
    /// Prepares a statement handle with the connection's command time-out.
    explicit Statement(Connection& connection);
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    /// Sends the batch; afterwards the first result is the current one.
    void Execute(const std::string& sql);

    /// Column names of the current result; empty when it holds no rows (an INSERT, a SET...).
    std::vector<std::string> ColumnNames();
    std::size_t ColumnCount();

    /// Moves to the next row of the current result; false once there is none.
    bool Fetch();
    /// Value of a column (0-based) of the current row, read completely; nullopt for NULL. Columns
    /// must be read in increasing order, each once per row, as ODBC drivers require.
    std::optional<std::string> Value(std::size_t column);
    /// All values of the current row.
    std::vector<std::optional<std::string>> RowValues();

    /// Rows changed by the current result; -1 when the driver cannot tell (for example for a
    /// SELECT).
    std::int64_t AffectedRows();

    /// Moves to the next result of the batch, discarding unread rows; false when none is left.
    /// A statement of the batch that failed on the server raises here. Where the server goes on
    /// with the rest of a batch after a failed statement, calling NextResult again after the
    /// error (also after a failed Execute) reaches the results of the later statements.
    bool NextResult();

    /// Reads every remaining row and result, so that a failure anywhere in the batch is raised.
    void Drain();

    /// Informational records collected since the last call, oldest first.
    std::vector<Diagnostic> TakeMessages();

private:
    void CollectMessages(short returnCode);

    Handle m_statement;
    // The current result may hold rows not yet fetched.
    bool m_unreadRows = false;
    std::vector<Diagnostic> m_messages;
    // Reused for every value read, so that a large result does not allocate per value.
    std::u16string m_buffer;
};

}  // namespace synvora::odbc
