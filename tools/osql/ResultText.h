#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "database/odbc/OdbcError.h"

namespace synvora::osql {

class ClientOutput;

/// "(1 row affected)" or "(N rows affected)".
std::string AffectedRowsLine(std::int64_t count);

/// True for a record that reports a failure, false for a message (PRINT output, a notice, a
/// warning). The severity decides when the driver tells it (above 10 is an error, as on SQL
/// Server); otherwise the SQLSTATE: classes 00 and 01 are messages.
bool IsErrorRecord(const odbc::Diagnostic& record);

/// The record's text without the driver's bracketed prefixes and without the line end some
/// drivers leave at its end (which would show as an empty line).
std::string RecordText(const odbc::Diagnostic& record);

/// "Msg <number>, Level <n>, State <n>, Server <server>, Line <n>" for an error record: the
/// driver's native error number (50000 when it gives none), level 16 and state and line 1 unless
/// the driver tells them.
std::string ErrorHeading(const odbc::Diagnostic& record, const std::string& server);

/// True for a record that a successful call carried (a notice, PRINT output, a warning) that still
/// reports an error: only a severity above 10, which a SQL Server driver tells, says so. The
/// SQLSTATE does not: a notice carries the state of the condition it reports, as "extension
/// already exists, skipping" comes with 42710.
bool IsErrorMessage(const odbc::Diagnostic& record);

/// The text with the password masked where a connection string shows it: "PWD=" followed by the
/// password as the connection string writes it. A driver may quote the connection string in the
/// messages of a failed login; nothing else is searched, so that the server's own words stay as
/// they are whatever the password.
std::string MaskConnectionPassword(std::string text, const std::string& password);

/// Characters (not bytes) of a UTF-8 text: each becomes one byte in the Windows-1252 output.
std::size_t DisplayWidth(std::string_view utf8);

/// Writes a set of rows as text: the column names, a line of dashes under each, the rows with
/// every column padded to its width (NULL for a null value), then the count line. Widths come
/// from the names and the first rows, so that a large result streams through without being
/// held; a later, longer value is written whole and shifts the rest of its line.
class RowSetWriter {
public:
    using Row = std::vector<std::optional<std::string>>;

    /// Rows that fix the column widths.
    static constexpr std::size_t kWidthSampleRows = 200;

    RowSetWriter(ClientOutput& output, std::vector<std::string> columnNames);

    void Add(Row row);
    /// Writes what is still held and the count line; also after a failure while fetching, so
    /// that the rows read so far are not lost.
    void Finish();

private:
    void WriteHeading();
    void WriteRow(const Row& row);
    void WriteCells(const std::vector<std::string_view>& cells);

    ClientOutput& m_output;
    std::vector<std::string> m_names;
    std::vector<std::size_t> m_widths;
    std::vector<Row> m_held;
    std::int64_t m_count = 0;
    bool m_headingWritten = false;
    std::string m_line;
};

}  // namespace synvora::osql
