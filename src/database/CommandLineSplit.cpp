#include "CommandLineSplit.h"

namespace synvora {
namespace {

bool IsWordSeparator(char c) {
    return c == ' ' || c == '\t';
}

/// Splits word by word; one object per command line.
class CommandLineSplitter {
public:
    explicit CommandLineSplitter(std::string_view line) : m_line(line) {}

    std::vector<std::string> Split() {
        std::vector<std::string> words;
        SkipSeparators();
        while (m_pos < m_line.size()) {
            words.push_back(NextWord());
            SkipSeparators();
        }
        return words;
    }

private:
    void SkipSeparators() {
        while (m_pos < m_line.size() && IsWordSeparator(m_line[m_pos])) {
            ++m_pos;
        }
    }

    std::string NextWord() {
        std::string word;
        bool quoted = false;
        while (m_pos < m_line.size()) {
            const char c = m_line[m_pos];
            if (c == '\\') {
                ReadBackslashes(word, quoted);
            } else if (c == '"') {
                ReadQuote(quoted, word);
            } else if (IsWordSeparator(c) && !quoted) {
                break;
            } else {
                word.push_back(c);
                ++m_pos;
            }
        }
        return word;
    }

    void ReadBackslashes(std::string& word, bool& quoted) {
        std::size_t count = 0;
        while (m_pos < m_line.size() && m_line[m_pos] == '\\') {
            ++count;
            ++m_pos;
        }
        const bool beforeQuote = m_pos < m_line.size() && m_line[m_pos] == '"';
        if (!beforeQuote) {
            word.append(count, '\\');
            return;
        }
        word.append(count / 2, '\\');
        if (count % 2 == 1) {
            word.push_back('"');
            ++m_pos;
        } else {
            ReadQuote(quoted, word);
        }
    }

    void ReadQuote(bool& quoted, std::string& word) {
        ++m_pos;
        if (quoted && m_pos < m_line.size() && m_line[m_pos] == '"') {
            word.push_back('"');
            ++m_pos;
            return;
        }
        quoted = !quoted;
    }

    std::string_view m_line;
    std::size_t m_pos = 0;
};

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view commandLine) {
    return CommandLineSplitter(commandLine).Split();
}

std::string QuoteCommandLineWord(std::string_view word) {
    if (!word.empty() && word.find_first_of(" \t\"") == std::string_view::npos) {
        return std::string(word);
    }
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (char c : word) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes count only before a quote: there each one is doubled, and one more makes the
        // quote a literal one.
        if (c == '"') {
            quoted.append(2 * backslashes + 1, '\\');
        } else {
            quoted.append(backslashes, '\\');
        }
        quoted += c;
        backslashes = 0;
    }
    // The closing quote follows: backslashes before it are doubled so that it still delimits.
    quoted.append(2 * backslashes, '\\');
    quoted += '"';
    return quoted;
}

}  // namespace synvora
