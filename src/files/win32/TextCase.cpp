// Lower case by the system's own tables (the invariant locale's, the same on every machine).

#include "files/TextCase.h"

#include <algorithm>

#include "files/win32/WideText.h"
#include "files/win32/WindowsApi.h"

namespace synvora {
namespace {

// Length of the UTF-8 sequence that starts at the byte, or 0 when no sequence starts there.
std::size_t SequenceLength(unsigned char lead) {
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 4;
    }
    return 0;
}

// The longest run from the start that is well-formed UTF-8, by the system's own check.
std::size_t ValidPrefix(std::string_view utf8) {
    std::size_t at = 0;
    while (at < utf8.size()) {
        const std::size_t length = SequenceLength(static_cast<unsigned char>(utf8[at]));
        if (length == 0 || at + length > utf8.size() ||
            ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data() + at, static_cast<int>(length),
                                  nullptr, 0) == 0) {
            break;
        }
        at += length;
    }
    return at;
}

std::string LowerCaseValid(std::string_view utf8) {
    std::wstring wide = Utf8ToWide(utf8);
    if (wide.empty()) {
        return std::string(utf8);
    }
    const int length = ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, wide.data(),
                                       static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr, 0);
    std::wstring lowered(static_cast<std::size_t>(length), L'\0');
    if (length == 0 ||
        ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, wide.data(), static_cast<int>(wide.size()),
                        lowered.data(), length, nullptr, nullptr, 0) != length) {
        return std::string(utf8);
    }
    return WideToUtf8(lowered);
}

}  // namespace

std::string LowerCase(std::string_view utf8) {
    std::string lowered;
    lowered.reserve(utf8.size());
    while (!utf8.empty()) {
        const std::size_t valid = ValidPrefix(utf8);
        lowered += LowerCaseValid(utf8.substr(0, valid));
        if (valid < utf8.size()) {
            lowered.push_back(utf8[valid]);  // no UTF-8: kept as it is
        }
        utf8.remove_prefix(std::min(valid + 1, utf8.size()));
    }
    return lowered;
}

}  // namespace synvora
