#include "ScriptText.h"

#include <vector>

#include "files/ErrorCodes.h"
#include "files/FileSystem.h"
#include "files/MigrationError.h"
#include "files/MigrationLog.h"
#include "files/TextFiles.h"

namespace synvora {
namespace {

constexpr const char* kPrepareScriptFailed = "Unable to prepare the SQL script!";

// Module values of the database services; only the user-interface thread touches them.
std::string m_sReplacedText;
bool m_bTextReplaced = false;

/// Calls visit(piece) for each piece of the content, divided at CR LF pairs, until visit returns
/// false. Works on views, so a large output file is searched without copying its lines.
template <typename Visit>
void ForEachCrLfPiece(std::string_view content, Visit visit) {
    for (;;) {
        const std::size_t pair = content.find(kCrLf);
        if (!visit(content.substr(0, pair)) || pair == std::string_view::npos) {
            return;
        }
        content.remove_prefix(pair + kCrLf.size());
    }
}

std::string ReplaceAll(std::string_view line, std::string_view searchText, std::string_view replacement) {
    std::size_t hit = line.find(searchText);
    std::string result;
    result.reserve(line.size());
    std::size_t scanned = 0;
    while (hit != std::string_view::npos) {
        result.append(line.substr(scanned, hit - scanned));
        result.append(replacement);
        m_bTextReplaced = true;
        scanned = hit + searchText.size();
        hit = line.find(searchText, scanned);
    }
    result.append(line.substr(scanned));
    return result;
}

/// Every piece followed by CR LF, the last one included.
std::string JoinWithCrLf(const std::vector<std::string>& pieces) {
    std::size_t length = 0;
    for (const std::string& piece : pieces) {
        length += piece.size() + kCrLf.size();
    }
    std::string text;
    text.reserve(length);
    for (const std::string& piece : pieces) {
        text += piece;
        text += kCrLf;
    }
    return text;
}

/// Replaces the search text in every piece of the file's content; the table holds the results.
std::vector<std::string> ReplaceInPieces(const std::string& content, std::string_view searchText,
                                         std::string_view replacement) {
    std::vector<std::string> table;
    ForEachCrLfPiece(content, [&](std::string_view piece) {
        if (table.size() == kScriptTableSize) {
            throw MigrationError(ErrorCode::kGetSearchText, "GetSearchText",
                                 "The script has more than " + std::to_string(kScriptTableSize) + " lines");
        }
        SearchText(piece, searchText, replacement);
        table.push_back(m_sReplacedText);
        return true;
    });
    return table;
}

constexpr int kReadOnlyArchive = kAttributeReadOnly | kAttributeArchive;

}  // namespace

void SearchText(std::string_view i_sLine, std::string_view i_sSearchText, std::string_view i_sReplacement) {
    try {
        if (i_sSearchText.empty()) {
            // Every position would match an empty text: there is no sound replacement to make.
            throw MigrationError(ErrorCode::kSearchText, "SearchText", "The search text is empty");
        }
        m_sReplacedText = ReplaceAll(i_sLine, i_sSearchText, i_sReplacement);
    } catch (const std::exception&) {
        WriteLogAndRaise(ErrorCode::kSearchText, "SearchText", kPrepareScriptFailed);
    }
}

void GetSearchText(const std::string& i_sFilePath, std::string_view i_sSearchText,
                   std::string_view i_sReplacement) {
    try {
        FileSystem& fs = TheFileSystem();
        const std::vector<std::string> table =
            ReplaceInPieces(ReadAllText(fs, i_sFilePath), i_sSearchText, i_sReplacement);
        if (m_bTextReplaced) {
            // A file marked read-only and archive is skipped silently: the script was protected
            // on purpose. Any other read-only file makes the rewrite fail.
            if (fs.Attributes(i_sFilePath) != kReadOnlyArchive) {
                RewriteText(fs, i_sFilePath, JoinWithCrLf(table));
            }
            m_bTextReplaced = false;
        }
    } catch (const std::exception&) {
        WriteLogAndRaise(ErrorCode::kGetSearchText, "GetSearchText", kPrepareScriptFailed);
    }
}

bool SearchForText(std::string_view i_sLine, std::string_view i_sSearchText) {
    return !i_sLine.empty() && i_sLine.find(i_sSearchText) != std::string_view::npos;
}

bool TextFound(const std::string& i_sFilePath, std::string_view i_sSearchText) {
    try {
        const std::string content = ReadAllText(TheFileSystem(), i_sFilePath);
        bool found = false;
        ForEachCrLfPiece(content, [&](std::string_view piece) {
            found = SearchForText(piece, i_sSearchText);
            return !found;
        });
        return found;
    } catch (const MigrationError& error) {
        WriteLogAndRaise(ErrorCode::kTextFound, "TextFound", error.Description());
    } catch (const std::exception& error) {
        WriteLogAndRaise(ErrorCode::kTextFound, "TextFound", error.what());
    }
}

const std::string& ReplacedText() {
    return m_sReplacedText;
}

bool TextReplaced() {
    return m_bTextReplaced;
}

void ResetScriptTextState() {
    m_sReplacedText.clear();
    m_bTextReplaced = false;
}

}  // namespace synvora
