#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace synvora::test {

// What the test driver makes of the server's words, so that one scenario runs through either
// driver (see CurrentTestDriver). The PostgreSQL driver puts the severity before a message
// ("NOTICE: ", "ERROR: ") and numbers every error 1; FreeTDS passes the text on as the TDS test
// server sent it, with that server's number and line.

std::string NoticeText(std::string_view text);
std::string ErrorText(std::string_view text);
/// The client's heading of an error that the TDS test server numbers so, on this line of its
/// batch; with the PostgreSQL driver "Msg 1" on line 1, whatever the failure.
std::string ErrorHeading(std::int32_t number, int line);
/// Part of what a refused login says; for an empty password, FreeTDS shows only that the login
/// failed, the PostgreSQL driver tells why.
std::string LoginFailedText(std::string_view user);
std::string EmptyPasswordText(std::string_view user);
/// The client's count line for a statement that counts no rows (CREATE ...): the PostgreSQL
/// driver reports 0 rows, FreeTDS passes over the statement, as SQL Server's drivers do.
std::string UncountedStatementLine();

}  // namespace synvora::test
