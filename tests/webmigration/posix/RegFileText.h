#pragma once

#include <string>
#include <string_view>

namespace synvora::test {

/// Content of a registry export file around a body of lines (UTF-8, CR LF line ends).
std::string RegFile5(std::string_view body);
std::string RegFile4(std::string_view body);

/// The UTF-8 text as UTF-16LE bytes with a byte-order mark, as the export files are saved.
std::string ToUtf16LeWithBom(std::string_view utf8);

/// The text repeated count times.
std::string Repeated(std::string_view utf8, std::size_t count);

}  // namespace synvora::test
