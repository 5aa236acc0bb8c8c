#include "RegFileText.h"

#include <stdexcept>

namespace synvora::test {

std::string RegFile5(std::string_view body) {
    return "Windows Registry Editor Version 5.00\r\n\r\n" + std::string(body);
}

std::string RegFile4(std::string_view body) {
    return "REGEDIT4\r\n\r\n" + std::string(body);
}

std::string ToUtf16LeWithBom(std::string_view utf8) {
    std::string out = "\xFF\xFE";
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        char32_t cp = lead;
        std::size_t length = 1;
        if (lead >= 0xF0) {
            cp = lead & 0x07, length = 4;
        } else if (lead >= 0xE0) {
            cp = lead & 0x0F, length = 3;
        } else if (lead >= 0xC0) {
            cp = lead & 0x1F, length = 2;
        }
        if (i + length > utf8.size()) {
            throw std::invalid_argument("truncated UTF-8 in a test text");
        }
        for (std::size_t k = 1; k < length; ++k) {
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        }
        i += length;
        const auto unit = [&out](char32_t u) {
            out.push_back(static_cast<char>(u & 0xFF));
            out.push_back(static_cast<char>(u >> 8));
        };
        if (cp >= 0x10000) {
            unit(0xD800 + ((cp - 0x10000) >> 10));
            unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            unit(cp);
        }
    }
    return out;
}

std::string Repeated(std::string_view utf8, std::size_t count) {
    std::string out;
    for (std::size_t i = 0; i < count; ++i) {
        out.append(utf8);
    }
    return out;
}

}  // namespace synvora::test
