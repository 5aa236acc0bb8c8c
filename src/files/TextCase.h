#pragma once

#include <string>
#include <string_view>

namespace synvora {

/// UTF-8 text with every letter in its lower-case form, by the Unicode tables of this machine's
/// C library ("ÜBERSERVER" gives "überserver", not only A to Z). Bytes that are no UTF-8 stay as
/// they are.
std::string LowerCase(std::string_view utf8);

}  // namespace synvora
