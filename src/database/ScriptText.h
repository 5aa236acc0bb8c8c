#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace synvora {

/// Script text services of the database job: placeholder replacement in the prepared script and
/// the search of the client's output file. Files are Windows-1252 text divided into pieces at
/// CR LF; all comparisons are exact and case-sensitive.

/// Most pieces a script may have for GetSearchText (the table is indexed 0 to 3000).
inline constexpr std::size_t kScriptTableSize = 3001;

/// Replaces every occurrence of the search text in the line, left to right and without overlap;
/// the scan goes on behind each inserted replacement, which is never searched again. The result
/// is left in the module value m_sReplacedText; m_bTextReplaced is set when at least one
/// occurrence was replaced (and never cleared here). An empty search text has nothing to look
/// for and is refused: it logs "Unable to prepare the SQL script!" under "SearchText" and raises.
void SearchText(std::string_view i_sLine, std::string_view i_sSearchText, std::string_view i_sReplacement);

/// Replaces the search text throughout the file, piece by piece through SearchText, and rewrites
/// the file (every piece followed by CR LF, atomically) when m_bTextReplaced is set afterwards,
/// which may also be a value left behind by an earlier failed pass. A file whose attribute value
/// is exactly 33 (read-only and archive) is left unchanged without failure. m_bTextReplaced is
/// cleared once the pass has been carried through. Fails, with the entry "Unable to prepare the
/// SQL script!" under "GetSearchText", when the file is missing, unreadable or empty, has more
/// than kScriptTableSize pieces (nothing is rewritten then), cannot be rewritten, or when
/// SearchText fails (whose own entry comes first).
void GetSearchText(const std::string& i_sFilePath, std::string_view i_sSearchText,
                   std::string_view i_sReplacement);

/// True when the search text occurs in the line. An empty search text counts as found in every
/// non-empty line; an empty line contains nothing.
bool SearchForText(std::string_view i_sLine, std::string_view i_sSearchText);

/// True when some piece of the file contains the search text (so a text holding CR LF is never
/// found); the search stops at the first such piece. A missing, unreadable or empty file fails:
/// the entry under "TextFound" carries the description of that failure ("File not found",
/// "Input past end of file", ...), then the error is raised.
bool TextFound(const std::string& i_sFilePath, std::string_view i_sSearchText);

/// The module values shared by SearchText and GetSearchText, which live as long as the program:
/// the text produced by the latest SearchText call, and whether a replacement is pending.
const std::string& ReplacedText();
bool TextReplaced();

/// Puts both module values back to their state at program start (empty, false).
void ResetScriptTextState();

}  // namespace synvora
