#pragma once

#include <string>
#include <string_view>

namespace synvora {

/// The separator the program joins paths with: "\" on Windows, "/" on Linux, where the program's
/// paths written with "\" take it in its place. BuildPath turns the other one into this one.
/// Defined by the platform layer (files/posix, files/win32).
extern const char kPathSeparator;
extern const char kOtherPathSeparator;

/// folder + separator + name, without looking at whether folder already ends in a separator
/// (a root folder then gives two separators in a row, which the file system accepts).
std::string JoinPath(std::string_view folder, std::string_view name);

/// The process's current directory. Throws MigrationError when it cannot be read (for example
/// when it was removed while the program runs). Platform layer.
std::string CurrentDirectory();

/// True for paths that begin with a drive letter and a colon ("Z:...").
bool IsDrivePath(std::string_view path);

/// True for a path on another machine's share. On Linux that is every drive-letter path (the
/// program gives letters to mapped shares only); on Windows a share path ("\\server\share") or a
/// drive the system reports as remote. Platform layer.
bool IsOnNetworkDrive(std::string_view path);

}  // namespace synvora
