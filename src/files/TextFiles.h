#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace synvora {

class FileSystem;

/// Text files of the program: Windows-1252 on disk, UTF-8 in memory, lines ended by CR LF.
/// Every function goes through the given file system (TheFileSystem() in the program).

/// The whole content as UTF-8. Reading the whole of an empty file fails (62 "Input past end of
/// file"), as the text streams the program was written for do.
std::string ReadAllText(FileSystem& fs, const std::string& path);

/// Replaces the file's content with the text, converted to Windows-1252; the old content stays
/// when the write fails.
void RewriteText(FileSystem& fs, const std::string& path, std::string_view text);

/// Creates an empty text file, replacing an existing one.
void CreateTextFile(FileSystem& fs, const std::string& path);

/// Appends the text, converted to Windows-1252, to an existing file.
void AppendText(FileSystem& fs, const std::string& path, std::string_view text);

/// Divides a content into pieces at every CR LF pair (the pair belongs to no piece). A lone CR
/// or LF does not divide; a content that ends in CR LF has an empty last piece.
std::vector<std::string> SplitAtCrLf(std::string_view content);

inline constexpr std::string_view kCrLf = "\r\n";

}  // namespace synvora
