#include "ResultText.h"

#include <algorithm>
#include <utility>

#include "ClientOutput.h"
#include "database/SqlServer.h"

namespace synvora::osql {
namespace {

constexpr std::int32_t kErrorWithoutNumber = 50000;
constexpr std::int32_t kErrorLevel = 16;
constexpr std::int32_t kHighestMessageLevel = 10;
constexpr std::string_view kNull = "NULL";
constexpr const char* kMaskedPassword = "********";

std::string_view CellText(const std::optional<std::string>& value) {
    return value ? std::string_view(*value) : kNull;
}

}  // namespace

std::string AffectedRowsLine(std::int64_t count) {
    return count == 1 ? std::string("(1 row affected)") : "(" + std::to_string(count) + " rows affected)";
}

bool IsErrorRecord(const odbc::Diagnostic& record) {
    if (record.severity) {
        return *record.severity > kHighestMessageLevel;
    }
    const std::string_view state = record.sqlState;
    return !(state.starts_with("00") || state.starts_with("01"));
}

std::string RecordText(const odbc::Diagnostic& record) {
    std::string text = record.Text();
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

std::string ErrorHeading(const odbc::Diagnostic& record, const std::string& server) {
    const std::int32_t number = record.nativeError != 0 ? record.nativeError : kErrorWithoutNumber;
    return "Msg " + std::to_string(number) + ", Level " +
           std::to_string(record.severity.value_or(kErrorLevel)) + ", State " +
           std::to_string(record.serverState.value_or(1)) + ", Server " + server + ", Line " +
           std::to_string(record.line.value_or(1));
}

bool IsErrorMessage(const odbc::Diagnostic& record) {
    return record.severity && *record.severity > kHighestMessageLevel;
}

std::string MaskConnectionPassword(std::string text, const std::string& password) {
    if (password.empty()) {
        return text;
    }
    const std::string shown = "PWD=" + ConnectionStringValue(password);
    const std::string masked = std::string("PWD=") + kMaskedPassword;
    for (std::size_t at = text.find(shown); at != std::string::npos;
         at = text.find(shown, at + masked.size())) {
        text.replace(at, shown.size(), masked);
    }
    return text;
}

std::size_t DisplayWidth(std::string_view utf8) {
    return static_cast<std::size_t>(std::count_if(
        utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

RowSetWriter::RowSetWriter(ClientOutput& output, std::vector<std::string> columnNames)
    : m_output(output), m_names(std::move(columnNames)) {
    m_widths.reserve(m_names.size());
    for (const std::string& name : m_names) {
        m_widths.push_back(DisplayWidth(name));
    }
}

void RowSetWriter::Add(Row row) {
    ++m_count;
    if (m_headingWritten) {
        WriteRow(row);
        return;
    }
    for (std::size_t column = 0; column < row.size() && column < m_widths.size(); ++column) {
        m_widths[column] = std::max(m_widths[column], DisplayWidth(CellText(row[column])));
    }
    m_held.push_back(std::move(row));
    if (m_held.size() >= kWidthSampleRows) {
        WriteHeading();
    }
}

void RowSetWriter::Finish() {
    if (!m_headingWritten) {
        WriteHeading();
    }
    m_output.WriteLine(AffectedRowsLine(m_count));
}

void RowSetWriter::WriteHeading() {
    m_headingWritten = true;
    WriteCells(std::vector<std::string_view>(m_names.begin(), m_names.end()));
    std::vector<std::string> dashes;
    dashes.reserve(m_widths.size());
    for (std::size_t width : m_widths) {
        dashes.emplace_back(width, '-');
    }
    WriteCells(std::vector<std::string_view>(dashes.begin(), dashes.end()));
    for (const Row& row : m_held) {
        WriteRow(row);
    }
    m_held.clear();
}

void RowSetWriter::WriteRow(const Row& row) {
    std::vector<std::string_view> cells;
    cells.reserve(row.size());
    for (const std::optional<std::string>& value : row) {
        cells.push_back(CellText(value));
    }
    WriteCells(cells);
}

void RowSetWriter::WriteCells(const std::vector<std::string_view>& cells) {
    m_line.clear();
    for (std::size_t column = 0; column < cells.size(); ++column) {
        if (column > 0) {
            m_line += ' ';
        }
        m_line += cells[column];
        // The last column is not padded: the line ends with its value.
        if (column + 1 < cells.size() && column < m_widths.size()) {
            const std::size_t width = DisplayWidth(cells[column]);
            m_line.append(width < m_widths[column] ? m_widths[column] - width : 0, ' ');
        }
    }
    m_output.WriteLine(m_line);
}

}  // namespace synvora::osql
