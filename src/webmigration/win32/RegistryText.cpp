// The registry's text on Windows: the UTF-16 of the wide calls, little-endian as the system keeps it.

#include <algorithm>

#include "files/win32/WideText.h"
#include "webmigration/RegistryCalls.h"
#include "webmigration/win32/Win32Registry.h"

namespace synvora {

const std::size_t kRegistryCharacterBytes = sizeof(wchar_t);

std::wstring RegistryTextToWide(std::string_view text) {
    std::wstring wide(text.size() / sizeof(wchar_t), L'\0');
    std::copy_n(text.data(), wide.size() * sizeof(wchar_t), reinterpret_cast<char*>(wide.data()));
    return wide;
}

std::string ToRegistryText(std::string_view utf8) {
    const std::wstring wide = Utf8ToWide(utf8);
    return std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t));
}

std::string FromRegistryText(std::string_view text) {
    return WideToUtf8(RegistryTextToWide(text));
}

}  // namespace synvora
