#pragma once

#include <string>
#include <string_view>

namespace synvora {

/// Strings inside the program are UTF-8; files, registry and network strings are Windows-1252
/// (the single-byte "ANSI" code page). These two functions are the only crossing point.

/// UTF-8 to Windows-1252. A character that the code page cannot hold, and every byte of a
/// malformed UTF-8 sequence, becomes "?".
std::string Utf8ToAnsi(std::string_view utf8);

/// True when Utf8ToAnsi keeps every character of the text: it is well-formed UTF-8 and the code
/// page has a byte for each of its characters.
bool FitsAnsi(std::string_view utf8);

/// Windows-1252 to UTF-8. Every byte maps to one character; the five bytes the code page leaves
/// undefined map to the control characters of the same value, so every byte survives a round trip.
std::string AnsiToUtf8(std::string_view ansi);

}  // namespace synvora
