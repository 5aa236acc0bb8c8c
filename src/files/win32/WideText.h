#pragma once

#include <string>
#include <string_view>

namespace synvora {

/// UTF-8 inside the program, UTF-16 at the Windows calls: the two crossings. Malformed UTF-8
/// becomes U+FFFD, as does an unpaired surrogate on the way back.
std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);

}  // namespace synvora
