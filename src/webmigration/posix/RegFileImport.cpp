#include "RegFileImport.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "files/Encoding.h"
#include "webmigration/RegistryCalls.h"
#include "webmigration/posix/RegistryTree.h"

namespace synvora {
namespace {

constexpr std::string_view kVersion5Header = "Windows Registry Editor Version 5.00";
constexpr std::string_view kVersion4Header = "REGEDIT4";
constexpr std::string_view kLocalMachineRoot = "HKEY_LOCAL_MACHINE";
constexpr char32_t kReplacementCharacter = 0xFFFD;

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// An odd last byte is dropped; a surrogate without its partner becomes U+FFFD.
std::string Utf16LeToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    const std::size_t units = bytes.size() / 2;
    const auto unitAt = [&](std::size_t i) {
        return static_cast<char32_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                     (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    };
    for (std::size_t i = 0; i < units; ++i) {
        const char32_t unit = unitAt(i);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units) {
            const char32_t low = unitAt(i + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        AppendUtf8(out, unit >= 0xD800 && unit <= 0xDFFF ? kReplacementCharacter : unit);
    }
    return out;
}

// The length of the UTF-8 sequence a lead byte opens, with the bits it carries and the least
// code point the length may encode; 0 for a byte that opens none.
std::size_t SequenceLength(unsigned char lead, char32_t& bits, char32_t& minimum) {
    if ((lead & 0xE0) == 0xC0) {
        bits = lead & 0x1F;
        minimum = 0x80;
        return 2;
    }
    if ((lead & 0xF0) == 0xE0) {
        bits = lead & 0x0F;
        minimum = 0x800;
        return 3;
    }
    if ((lead & 0xF8) == 0xF0) {
        bits = lead & 0x07;
        minimum = 0x10000;
        return 4;
    }
    return 0;
}

bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        char32_t cp = 0;
        char32_t minimum = 0;
        const std::size_t length = SequenceLength(lead, cp, minimum);
        if (length == 0 || text.size() - i < length) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            cp = (cp << 6) | (next & 0x3F);
        }
        if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

// Hand-written REGEDIT4 files are often in the ANSI code page; those are told apart by not
// being valid UTF-8.
std::string DecodeFileText(std::string_view bytes) {
    if (bytes.starts_with("\xFF\xFE")) {
        return Utf16LeToUtf8(bytes.substr(2));
    }
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        bytes.remove_prefix(3);
    }
    return IsValidUtf8(bytes) ? std::string(bytes) : AnsiToUtf8(bytes);
}

std::string_view TrimBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 0x20) : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

bool ConsumePrefixNoCase(std::string_view& text, std::string_view prefix) {
    if (text.size() < prefix.size() || !EqualsNoCase(text.substr(0, prefix.size()), prefix)) {
        return false;
    }
    text.remove_prefix(prefix.size());
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// One to eight hex digits, the whole of the text.
std::optional<std::uint32_t> ParseHexNumber(std::string_view text) {
    if (text.empty() || text.size() > 8) {
        return std::nullopt;
    }
    std::uint32_t number = 0;
    for (const char c : text) {
        const int digit = HexDigit(c);
        if (digit < 0) {
            return std::nullopt;
        }
        number = (number << 4) | static_cast<std::uint32_t>(digit);
    }
    return number;
}

/// The lines of the decoded text, without their line ends.
class LineReader {
public:
    explicit LineReader(std::string_view text) : m_rest(text) {}

    bool Next(std::string_view& line) {
        if (m_done) {
            return false;
        }
        const std::size_t end = m_rest.find('\n');
        if (end == std::string_view::npos) {
            line = m_rest;
            m_done = true;
        } else {
            line = m_rest.substr(0, end);
            m_rest.remove_prefix(end + 1);
        }
        return true;
    }

private:
    std::string_view m_rest;
    bool m_done = false;
};

// Reads a quoted string that starts at text[0]; text is left after the closing quote. Nothing
// when the quote is not closed on the line.
std::optional<std::string> ReadQuoted(std::string_view& text) {
    std::string unescaped;
    std::size_t i = 1;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '"') {
            text.remove_prefix(i + 1);
            return unescaped;
        }
        if (c == '\\' && i + 1 < text.size()) {
            const char next = text[i + 1];
            if (next != '\\' && next != '"') {
                unescaped.push_back('\\');
            }
            unescaped.push_back(next);
            i += 2;
            continue;
        }
        unescaped.push_back(c);
        ++i;
    }
    return std::nullopt;
}

// The hex data of a value with its continuation lines joined: each piece that ends in a
// backslash is continued by the next line.
std::string JoinContinuations(std::string_view first, LineReader& lines) {
    std::string joined;
    std::string_view piece = TrimBlanks(first);
    while (!piece.empty() && piece.back() == '\\') {
        joined.append(piece.substr(0, piece.size() - 1));
        std::string_view next;
        if (!lines.Next(next)) {
            return joined;
        }
        piece = TrimBlanks(next);
    }
    joined.append(piece);
    return joined;
}

// Comma-separated bytes of one or two hex digits; blanks and empty items are allowed.
std::optional<std::string> ParseHexBytes(std::string_view text) {
    std::string bytes;
    bytes.reserve(text.size() / 3 + 1);
    while (true) {
        const std::size_t comma = text.find(',');
        const std::string_view item = TrimBlanks(text.substr(0, comma));
        if (!item.empty()) {
            if (item.size() > 2) {
                return std::nullopt;
            }
            const auto number = ParseHexNumber(item);
            if (!number) {
                return std::nullopt;
            }
            bytes.push_back(static_cast<char>(*number));
        }
        if (comma == std::string_view::npos) {
            return bytes;
        }
        text.remove_prefix(comma + 1);
    }
}

bool IsStringType(std::uint32_t type) {
    return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

/// Applies the lines after the header to the tree.
class Importer {
public:
    Importer(RegistryTree& tree, bool version5) : m_tree(tree), m_version5(version5) {}

    void Run(LineReader& lines) {
        std::string_view line;
        while (lines.Next(line)) {
            line = TrimBlanks(line);
            if (line.empty() || line.front() == ';') {
                continue;
            }
            if (line.front() == '[') {
                Section(line);
            } else if (line.front() == '@' || line.front() == '"') {
                ValueLine(line, lines);
            }
            // Anything else is not part of the format and is passed over.
        }
    }

private:
    void Section(std::string_view line) {
        m_key = nullptr;
        if (line.back() != ']') {
            return;
        }
        std::string_view path = line.substr(1, line.size() - 2);
        const bool remove = !path.empty() && path.front() == '-';
        if (remove) {
            path.remove_prefix(1);
        }
        const std::size_t separator = path.find('\\');
        if (!EqualsNoCase(path.substr(0, separator), kLocalMachineRoot)) {
            return;
        }
        const std::string subPath =
            separator == std::string_view::npos ? std::string() : Utf8ToAnsi(path.substr(separator + 1));
        if (remove) {
            m_tree.Remove(subPath);
        } else {
            m_key = m_tree.Create(subPath);
        }
    }

    void ValueLine(std::string_view line, LineReader& lines) {
        std::string name;
        if (line.front() == '@') {
            line.remove_prefix(1);
        } else {
            auto quoted = ReadQuoted(line);
            if (!quoted) {
                return;
            }
            name = std::move(*quoted);
        }
        line = TrimBlanks(line);
        if (line.empty() || line.front() != '=') {
            return;
        }
        line = TrimBlanks(line.substr(1));
        if (line == "-") {
            if (m_key != nullptr) {
                m_tree.RemoveValue(*m_key, Utf8ToAnsi(name));
            }
            return;
        }
        // The data is read also outside a usable section, so that its continuation lines are not
        // taken for lines of their own.
        auto value = ParseData(line, lines);
        if (value && m_key != nullptr) {
            m_tree.SetValue(*m_key, Utf8ToAnsi(name), std::move(*value));
        }
    }

    std::optional<RegistryTree::Value> ParseData(std::string_view data, LineReader& lines) const {
        if (!data.empty() && data.front() == '"') {
            auto text = ReadQuoted(data);
            if (!text || !TrimBlanks(data).empty()) {
                return std::nullopt;
            }
            std::string ansi = Utf8ToAnsi(*text);
            ansi.push_back('\0');
            return RegistryTree::Value{kRegSz, std::move(ansi)};
        }
        if (ConsumePrefixNoCase(data, "dword:")) {
            const auto number = ParseHexNumber(data);
            if (!number) {
                return std::nullopt;
            }
            std::string bytes;
            for (int shift = 0; shift < 32; shift += 8) {
                bytes.push_back(static_cast<char>((*number >> shift) & 0xFF));
            }
            return RegistryTree::Value{kRegDword, std::move(bytes)};
        }
        std::uint32_t type = kRegBinary;
        if (ConsumePrefixNoCase(data, "hex(")) {
            const std::size_t close = data.find("):");
            const auto number =
                close == std::string_view::npos ? std::nullopt : ParseHexNumber(data.substr(0, close));
            if (!number) {
                return std::nullopt;
            }
            type = *number;
            data.remove_prefix(close + 2);
        } else if (!ConsumePrefixNoCase(data, "hex:")) {
            return std::nullopt;
        }
        auto bytes = ParseHexBytes(JoinContinuations(data, lines));
        if (!bytes) {
            return std::nullopt;
        }
        if (m_version5 && IsStringType(type)) {
            *bytes = Utf8ToAnsi(Utf16LeToUtf8(*bytes));
        }
        return RegistryTree::Value{type, std::move(*bytes)};
    }

    RegistryTree& m_tree;
    bool m_version5;
    RegistryTree::Key* m_key = nullptr;
};

}  // namespace

bool ImportRegFile(std::string_view fileBytes, RegistryTree& localMachine) {
    const std::string text = DecodeFileText(fileBytes);
    LineReader lines(text);
    std::string_view header;
    do {
        if (!lines.Next(header)) {
            return false;
        }
        header = TrimBlanks(header);
    } while (header.empty());
    const bool version5 = EqualsNoCase(header, kVersion5Header);
    if (!version5 && !EqualsNoCase(header, kVersion4Header)) {
        return false;
    }
    Importer(localMachine, version5).Run(lines);
    return true;
}

}  // namespace synvora
