#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace synvora::test::tds {

/// Line numbers within a batch, for the messages about it. PostgreSQL runs a batch statement by
/// statement, one result each, and tells a position only for errors it finds while parsing; the
/// other messages are placed on the line where their statement begins. Statements end at
/// semicolons outside quotes, dollar quotes and comments; empty ones are skipped, as the server
/// skips them.
class BatchLines {
public:
    explicit BatchLines(std::string_view utf8);

    /// Line (from 1) where the statement with this index (from 0) begins; the last statement's
    /// line past the end.
    int StatementLine(std::size_t index) const;
    /// Line of a character position (from 1) as the server counts it.
    int PositionLine(long position) const;

private:
    std::string m_text;
    std::vector<int> m_statementLines;
};

}  // namespace synvora::test::tds
