#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace synvora::test::tds {

/// One statement of a batch and the line of the batch (from 1) on which it begins.
struct BatchStatement {
    std::string text;
    int line = 1;

    /// Line of the batch that holds a character position of the statement (from 1), as
    /// PostgreSQL reports one in an error.
    int LineOfPosition(long position) const;
};

/// The statements of a batch in their order: divided at semicolons outside quotes, dollar quotes
/// and comments; comments between statements and empty statements dropped. A body of the form
/// BEGIN ATOMIC ... END, whose semicolons stand outside any quote, is divided wrongly.
std::vector<BatchStatement> SplitStatements(std::string_view batch);

}  // namespace synvora::test::tds
