#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace synvora::osql {

/// One batch of a script: the text sent to the server in one piece.
struct ScriptBatch {
    /// The script's own text from the batch's first line up to the GO line that ends it, line
    /// ends included as they stand in the script.
    std::string_view text;
    /// Line of the script (1-based) on which the batch starts.
    std::size_t firstLine = 1;
    /// Lines the batch took in the script, its GO line included.
    std::size_t lineCount = 0;
};

/// Divides a script into batches at lines that hold only GO (any letter case, blanks and tabs
/// around it). A GO line inside a block comment or inside a quoted string or name ('...', "...",
/// [...]) does not divide, as the server would read that GO as part of the comment or the
/// string; "--" comments end at their line. The last batch needs no GO. Batches of nothing but
/// white space are left out. Lines end at LF; a CR before it belongs to the line end.
std::vector<ScriptBatch> SplitIntoBatches(std::string_view script);

}  // namespace synvora::osql
