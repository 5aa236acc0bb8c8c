#pragma once

#include <string>
#include <string_view>

namespace synvora::odbc {

/// The wide ODBC calls take UTF-16 (SQLWCHAR is 16 bits with unixODBC); the program's strings are
/// UTF-8. These two functions are the crossing point. Malformed input never stops a conversion:
/// each broken sequence becomes U+FFFD, so a value is never silently cut short.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

}  // namespace synvora::odbc
