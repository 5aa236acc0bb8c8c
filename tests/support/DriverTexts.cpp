#include "DriverTexts.h"

#include "PostgresFixture.h"

namespace synvora::test {
namespace {

bool FreeTds() {
    return CurrentTestDriver() == TestDriver::kFreeTds;
}

}  // namespace

std::string NoticeText(std::string_view text) {
    return (FreeTds() ? "" : "NOTICE: ") + std::string(text);
}

std::string ErrorText(std::string_view text) {
    return (FreeTds() ? "" : "ERROR: ") + std::string(text);
}

std::string ErrorHeading(std::int32_t number, int line) {
    // FreeTDS tells no message state, so the client shows 1, as the TDS test server sends.
    return "Msg " + std::to_string(FreeTds() ? number : 1) + ", Level 16, State 1, Server " +
           SharedPostgresServer().Host() + ", Line " + std::to_string(FreeTds() ? line : 1);
}

std::string LoginFailedText(std::string_view user) {
    return FreeTds() ? "Login failed for user '" + std::string(user) + "'."
                     : "password authentication failed for user \"" + std::string(user) + "\"";
}

std::string EmptyPasswordText(std::string_view user) {
    return FreeTds() ? LoginFailedText(user) : "no password supplied";
}

std::string UncountedStatementLine() {
    return FreeTds() ? "" : "(0 rows affected)\r\n";
}

}  // namespace synvora::test
