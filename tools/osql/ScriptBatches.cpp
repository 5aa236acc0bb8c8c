#include "ScriptBatches.h"

namespace synvora::osql {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

bool IsWhiteSpaceOnly(std::string_view text) {
    for (char c : text) {
        if (!IsBlank(c) && c != '\n') {
            return false;
        }
    }
    return true;
}

bool IsGoLine(std::string_view line) {
    std::size_t start = 0;
    std::size_t end = line.size();
    while (start < end && IsBlank(line[start])) {
        ++start;
    }
    while (end > start && IsBlank(line[end - 1])) {
        --end;
    }
    return end - start == 2 && (line[start] == 'G' || line[start] == 'g') &&
           (line[start + 1] == 'O' || line[start + 1] == 'o');
}

/// Where the scan of the script stands at the end of a line: inside nested block comments,
/// inside a quoted string or name, or in plain text.
class LexicalState {
public:
    bool AtTopLevel() const { return m_commentDepth == 0 && m_quote == '\0'; }

    void Scan(std::string_view line) {
        for (std::size_t i = 0; i < line.size(); ++i) {
            const char c = line[i];
            const char next = i + 1 < line.size() ? line[i + 1] : '\0';
            if (m_commentDepth > 0) {
                i += ScanInComment(c, next);
            } else if (m_quote != '\0') {
                i += ScanInQuote(c, next);
            } else if (c == '-' && next == '-') {
                return;  // the rest of the line is a comment
            } else if (c == '/' && next == '*') {
                ++m_commentDepth;
                ++i;
            } else if (c == '\'' || c == '"') {
                m_quote = c;
            } else if (c == '[') {
                m_quote = ']';
            }
        }
    }

private:
    // Both return how many characters after c they used up.
    std::size_t ScanInComment(char c, char next) {
        if (c == '*' && next == '/') {
            --m_commentDepth;
            return 1;
        }
        if (c == '/' && next == '*') {
            ++m_commentDepth;  // block comments nest
            return 1;
        }
        return 0;
    }

    std::size_t ScanInQuote(char c, char next) {
        if (c != m_quote) {
            return 0;
        }
        if (next == m_quote) {
            return 1;  // a doubled quote stands for itself
        }
        m_quote = '\0';
        return 0;
    }

    int m_commentDepth = 0;
    char m_quote = '\0';
};

}  // namespace

std::vector<ScriptBatch> SplitIntoBatches(std::string_view script) {
    std::vector<ScriptBatch> batches;
    LexicalState state;
    std::size_t batchStart = 0;
    std::size_t batchFirstLine = 1;
    std::size_t lineNumber = 1;
    const auto finishBatch = [&](std::size_t end, std::size_t lineCount) {
        const std::string_view text = script.substr(batchStart, end - batchStart);
        if (!IsWhiteSpaceOnly(text)) {
            batches.push_back(ScriptBatch{text, batchFirstLine, lineCount});
        }
    };
    std::size_t lineStart = 0;
    while (lineStart < script.size()) {
        const std::size_t newline = script.find('\n', lineStart);
        const std::size_t lineEnd = newline == std::string_view::npos ? script.size() : newline;
        const std::size_t nextLine = newline == std::string_view::npos ? script.size() : newline + 1;
        const std::string_view line = script.substr(lineStart, lineEnd - lineStart);
        if (state.AtTopLevel() && IsGoLine(line)) {
            finishBatch(lineStart, lineNumber - batchFirstLine + 1);
            batchStart = nextLine;
            batchFirstLine = lineNumber + 1;
        } else {
            state.Scan(line);
        }
        lineStart = nextLine;
        ++lineNumber;
    }
    finishBatch(script.size(), lineNumber - batchFirstLine);
    return batches;
}

}  // namespace synvora::osql
