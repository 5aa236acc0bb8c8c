#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace synvora {

/// Divides a command line into words by the rules of the system the command lines were written
/// for, so that a line reaches the started program as it would have there:
/// - blanks and tabs outside double quotes separate words; other characters never do;
/// - a double quote starts or ends a quoted part, which may hold blanks; "" inside a quoted part
///   stands for one literal quote and the part goes on; a quoted part may be empty ("" alone is
///   an empty word);
/// - 2n backslashes before a quote give n backslashes and the quote delimits; 2n+1 backslashes
///   before a quote give n backslashes and a literal quote; backslashes anywhere else are literal.
/// The program name follows the same rules as the other words.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

/// The word written so that SplitCommandLine gives it back whole and unchanged, also when it is
/// attached to text before it ("/S" + quoted): a word without blanks, tabs and quotes that is not
/// empty stands as it is; any other is enclosed in quotes, with its quotes and the backslashes
/// before them escaped.
std::string QuoteCommandLineWord(std::string_view word);

}  // namespace synvora
