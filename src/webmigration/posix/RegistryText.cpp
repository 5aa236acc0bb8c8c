// The registry's text on Linux: the ANSI code page of the calls the stand-ins follow.

#include "files/Encoding.h"
#include "webmigration/RegistryCalls.h"

namespace synvora {

const std::size_t kRegistryCharacterBytes = 1;

std::string ToRegistryText(std::string_view utf8) {
    return Utf8ToAnsi(utf8);
}

std::string FromRegistryText(std::string_view text) {
    return AnsiToUtf8(text);
}

}  // namespace synvora
