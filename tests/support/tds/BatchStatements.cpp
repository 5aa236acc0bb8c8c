#include "BatchStatements.h"

#include <algorithm>
#include <cctype>

namespace synvora::test::tds {
namespace {

bool IsIdentifierCharacter(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || (c & 0x80) != 0;
}

/// "$tag$" (or "$$") starting at the position; "" when the dollar sign opens no quote.
std::string_view DollarTag(std::string_view text, std::size_t at) {
    if (at > 0 && IsIdentifierCharacter(text[at - 1])) {
        return {};
    }
    std::size_t end = at + 1;
    while (end < text.size() && IsIdentifierCharacter(text[end]) &&
           !(end == at + 1 && std::isdigit(static_cast<unsigned char>(text[end])) != 0)) {
        ++end;
    }
    if (end >= text.size() || text[end] != '$') {
        return {};
    }
    return text.substr(at, end - at + 1);
}

/// Index just past the quoted text, comment or dollar quote that starts at the position, or the
/// position itself when none starts there.
std::size_t SkipQuoted(std::string_view text, std::size_t at) {
    const char c = text[at];
    const char next = at + 1 < text.size() ? text[at + 1] : '\0';
    if (c == '-' && next == '-') {
        const std::size_t end = text.find('\n', at);
        return end == std::string_view::npos ? text.size() : end;
    }
    if (c == '/' && next == '*') {
        int depth = 0;
        for (std::size_t i = at; i + 1 < text.size(); ++i) {
            if (text[i] == '/' && text[i + 1] == '*') {
                ++depth;
                ++i;
            } else if (text[i] == '*' && text[i + 1] == '/') {
                ++i;
                if (--depth == 0) {
                    return i + 1;
                }
            }
        }
        return text.size();
    }
    if (c == '\'' || c == '"') {
        // E'...' strings take backslash escapes.
        const bool escapes = c == '\'' && at > 0 && (text[at - 1] == 'E' || text[at - 1] == 'e') &&
                             (at < 2 || !IsIdentifierCharacter(text[at - 2]));
        for (std::size_t i = at + 1; i < text.size(); ++i) {
            if (escapes && text[i] == '\\') {
                ++i;
            } else if (text[i] == c) {
                if (i + 1 < text.size() && text[i + 1] == c) {
                    ++i;  // a doubled quote stands for itself
                } else {
                    return i + 1;
                }
            }
        }
        return text.size();
    }
    if (c == '$') {
        const std::string_view tag = DollarTag(text, at);
        if (!tag.empty()) {
            const std::size_t close = text.find(tag, at + tag.size());
            return close == std::string_view::npos ? text.size() : close + tag.size();
        }
    }
    return at;
}

}  // namespace

std::vector<BatchStatement> SplitStatements(std::string_view batch) {
    std::vector<BatchStatement> statements;
    std::size_t start = std::string_view::npos;  // of the statement being read
    int line = 1;
    std::size_t counted = 0;  // the newlines before this index are counted in line
    const auto finish = [&](std::size_t end) {
        if (start != std::string_view::npos) {
            line += static_cast<int>(std::count(batch.begin() + static_cast<std::ptrdiff_t>(counted),
                                                batch.begin() + static_cast<std::ptrdiff_t>(start), '\n'));
            counted = start;
            statements.push_back({std::string(batch.substr(start, end - start)), line});
            start = std::string_view::npos;
        }
    };
    for (std::size_t i = 0; i < batch.size();) {
        const char c = batch[i];
        const std::size_t skipped = SkipQuoted(batch, i);
        if (c == ';') {
            finish(i);
        } else if (start == std::string_view::npos && std::isspace(static_cast<unsigned char>(c)) == 0 &&
                   !((c == '-' || c == '/') && skipped != i)) {
            start = i;
        }
        i = skipped == i ? i + 1 : skipped;
    }
    finish(batch.size());
    return statements;
}

int BatchStatement::LineOfPosition(long position) const {
    int result = line;
    long character = 0;
    for (char c : text) {
        // Positions count characters; the continuation bytes of UTF-8 start none.
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80 && ++character >= position) {
            break;
        }
        if (c == '\n') {
            ++result;
        }
    }
    return result;
}

}  // namespace synvora::test::tds
