#pragma once

#include <string>
#include <string_view>

namespace synvora {

/// The separator the program joins paths with. Where the program's paths were written with "\",
/// this platform's separator takes its place; BuildPath turns the other one into this one.
#if defined(_WIN32)
inline constexpr char kPathSeparator = '\\';
inline constexpr char kOtherPathSeparator = '/';
#else
inline constexpr char kPathSeparator = '/';
inline constexpr char kOtherPathSeparator = '\\';
#endif

/// folder + separator + name, without looking at whether folder already ends in a separator
/// (a root folder then gives two separators in a row, which the file system accepts).
std::string JoinPath(std::string_view folder, std::string_view name);

/// The process's current directory. Throws MigrationError when it cannot be read (for example
/// when it was removed while the program runs).
std::string CurrentDirectory();

/// True for paths that begin with a drive letter and a colon ("Z:..."): on this platform those
/// name a mapped network drive, never a local path.
bool IsDrivePath(std::string_view path);

}  // namespace synvora
