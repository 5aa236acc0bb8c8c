#include "TextFiles.h"

#include "Encoding.h"
#include "ErrorCodes.h"
#include "FileSystem.h"
#include "PlatformErrors.h"

namespace synvora {

std::string ReadAllText(FileSystem& fs, const std::string& path) {
    const std::string bytes = fs.ReadFile(path);
    if (bytes.empty()) {
        ThrowPlatformErrorNumber(PlatformError::kInputPastEndOfFile);
    }
    return AnsiToUtf8(bytes);
}

void RewriteText(FileSystem& fs, const std::string& path, std::string_view text) {
    fs.ReplaceFile(path, Utf8ToAnsi(text));
}

void CreateTextFile(FileSystem& fs, const std::string& path) {
    fs.CreateEmptyFile(path);
}

void AppendText(FileSystem& fs, const std::string& path, std::string_view text) {
    fs.AppendToFile(path, Utf8ToAnsi(text));
}

std::vector<std::string> SplitAtCrLf(std::string_view content) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (;;) {
        const std::size_t pair = content.find(kCrLf, start);
        if (pair == std::string_view::npos) {
            pieces.emplace_back(content.substr(start));
            return pieces;
        }
        pieces.emplace_back(content.substr(start, pair - start));
        start = pair + kCrLf.size();
    }
}

}  // namespace synvora
