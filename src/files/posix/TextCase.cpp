#include "files/TextCase.h"

#include <locale.h>
#include <wctype.h>

#include <climits>
#include <cwchar>

namespace synvora {
namespace {

// The case tables of Unicode, whatever locale the program runs in; nothing when the C library
// has no UTF-8 locale.
locale_t Utf8Locale() {
    static const locale_t locale = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    return locale;
}

std::string AsciiLowerCase(std::string_view text) {
    std::string lowered(text);
    for (char& c : lowered) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return lowered;
}

/// Decodes and encodes in the UTF-8 locale for as long as it lives.
class Utf8Scope {
public:
    explicit Utf8Scope(locale_t locale) : m_previous(::uselocale(locale)) {}
    Utf8Scope(const Utf8Scope&) = delete;
    Utf8Scope& operator=(const Utf8Scope&) = delete;
    ~Utf8Scope() { ::uselocale(m_previous); }

private:
    locale_t m_previous;
};

}  // namespace

std::string LowerCase(std::string_view utf8) {
    const locale_t locale = Utf8Locale();
    if (locale == static_cast<locale_t>(0)) {
        return AsciiLowerCase(utf8);
    }
    const Utf8Scope scope(locale);
    std::string lowered;
    lowered.reserve(utf8.size());
    std::mbstate_t state{};
    std::size_t at = 0;
    while (at < utf8.size()) {
        wchar_t character = 0;
        std::size_t length = std::mbrtowc(&character, utf8.data() + at, utf8.size() - at, &state);
        if (length == static_cast<std::size_t>(-1) || length == static_cast<std::size_t>(-2)) {
            lowered.push_back(utf8[at]);  // no UTF-8: kept as it is
            state = {};
            ++at;
            continue;
        }
        length = length == 0 ? 1 : length;  // a NUL character
        char encoded[MB_LEN_MAX];
        std::mbstate_t out{};
        const std::size_t written = std::wcrtomb(
            encoded, static_cast<wchar_t>(::towlower_l(static_cast<wint_t>(character), locale)), &out);
        if (written == static_cast<std::size_t>(-1)) {
            lowered.append(utf8.substr(at, length));
        } else {
            lowered.append(encoded, written);
        }
        at += length;
    }
    return lowered;
}

}  // namespace synvora
