// Text of files, registry and network calls on Windows: the system's ANSI code page, whichever
// the system reports (GetACP; 1252 on Western European systems).

#include "files/Encoding.h"

#include "files/win32/WideText.h"
#include "files/win32/WindowsApi.h"

namespace synvora {
namespace {

// MB_ERR_INVALID_CHARS makes the call fail on malformed UTF-8 instead of replacing it quietly.
bool WellFormedUtf8(std::string_view utf8) {
    return utf8.empty() || ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                                 static_cast<int>(utf8.size()), nullptr, 0) > 0;
}

// The length a UTF-8 lead byte announces; 0 for a byte that cannot start a sequence.
std::size_t SequenceLength(unsigned char lead) {
    if (lead < 0x80) {
        return 1;
    }
    if ((lead & 0xE0) == 0xC0) {
        return 2;
    }
    if ((lead & 0xF0) == 0xE0) {
        return 3;
    }
    if ((lead & 0xF8) == 0xF0) {
        return 4;
    }
    return 0;
}

// The code page's bytes of UTF-16 text; usedDefault tells whether a character had no byte.
std::string WideToAnsi(std::wstring_view wide, bool& usedDefault) {
    BOOL defaulted = FALSE;
    if (wide.empty()) {
        usedDefault = false;
        return {};
    }
    // A character beyond the 16-bit range is one "?", not one per half of its surrogate pair.
    std::wstring single;
    single.reserve(wide.size());
    for (std::size_t i = 0; i < wide.size(); ++i) {
        const bool pair = IS_HIGH_SURROGATE(wide[i]) && i + 1 < wide.size() && IS_LOW_SURROGATE(wide[i + 1]);
        single.push_back(pair ? L'\uFFFD' : wide[i]);
        i += pair ? 1 : 0;
    }
    wide = single;
    const int length = static_cast<int>(wide.size());
    // No best fit: a character the code page lacks becomes "?" instead of a look-alike ("Ω"
    // would otherwise arrive as "O"), so that FitsAnsi can tell.
    const int needed =
        ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), length, nullptr, 0, "?", &defaulted);
    std::string ansi(static_cast<std::size_t>(needed), '\0');
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), length, ansi.data(), needed, "?",
                          &defaulted);
    usedDefault = defaulted != FALSE;
    return ansi;
}

}  // namespace

std::string Utf8ToAnsi(std::string_view utf8) {
    bool usedDefault = false;
    if (WellFormedUtf8(utf8)) {
        return WideToAnsi(Utf8ToWide(utf8), usedDefault);
    }
    // Each byte of a malformed sequence becomes one "?", as on Linux; the well-formed runs between
    // are converted whole.
    std::string out;
    std::size_t runStart = 0;
    std::size_t pos = 0;
    const auto flushRun = [&] {
        out += WideToAnsi(Utf8ToWide(utf8.substr(runStart, pos - runStart)), usedDefault);
    };
    while (pos < utf8.size()) {
        const std::size_t length = SequenceLength(static_cast<unsigned char>(utf8[pos]));
        if (length > 0 && pos + length <= utf8.size() && WellFormedUtf8(utf8.substr(pos, length))) {
            pos += length;
            continue;
        }
        flushRun();
        out.push_back('?');
        runStart = ++pos;
    }
    flushRun();
    return out;
}

bool FitsAnsi(std::string_view utf8) {
    if (!WellFormedUtf8(utf8)) {
        return false;
    }
    bool usedDefault = false;
    WideToAnsi(Utf8ToWide(utf8), usedDefault);
    return !usedDefault;
}

std::string AnsiToUtf8(std::string_view ansi) {
    if (ansi.empty()) {
        return {};
    }
    const int length = static_cast<int>(ansi.size());
    const int needed = ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, wide.data(), needed);
    return WideToUtf8(wide);
}

}  // namespace synvora
