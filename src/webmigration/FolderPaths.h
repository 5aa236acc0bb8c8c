#pragma once

#include <string>

namespace synvora {

/// The first character of UTF-8 text, all of its bytes ("" for empty text): a drive letter typed
/// as "Ä:" stays whole.
std::string FirstCharacter(const std::string& text);

/// The text from its third character on: a path of the old server without its drive letter and
/// colon ("E:\Synvora\ExcelTemp" gives "\Synvora\ExcelTemp"); "" for shorter text.
std::string PathTail(const std::string& text);

/// True for a path that names a folder of another machine: "\\otherhost\share\x" (either
/// separator).
bool NamesAnotherMachine(const std::string& path);

/// The administrative share of the drive that holds the old installation folder:
/// "\\" + server + "\" + the folder's first character + "$" ("\\OLDWEB\D$"; the letter is
/// missing for an empty folder).
std::string AdministrativeSharePath(const std::string& server, const std::string& installationFolder);

}  // namespace synvora
