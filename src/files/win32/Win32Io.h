#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "files/FileSystem.h"
#include "files/win32/UniqueHandle.h"
#include "files/win32/WindowsApi.h"

namespace synvora {

/// Small Win32 helpers of the file system. Every failure is raised as a platform error
/// (Win32Errors.h).

/// The path as the wide calls take it: UTF-16, every "/" a "\", and a path longer than the plain
/// calls allow made absolute and given the "\\?\" (or "\\?\UNC\") form. An empty path fails like a
/// missing file.
std::wstring ApiPath(const std::string& path);

/// A path made absolute, "/" as "\\", in the "\\?\" (or "\\?\UNC\") form whatever its length.
std::wstring LongFormPath(const std::wstring& path);

/// Opens a file or folder with CreateFileW; raises on failure.
UniqueHandle OpenOrThrow(const std::string& path, DWORD access, DWORD share, DWORD disposition,
                         DWORD flags = FILE_ATTRIBUTE_NORMAL, SECURITY_ATTRIBUTES* security = nullptr);

/// Writes all bytes.
void WriteAll(HANDLE file, std::string_view bytes);
/// The same at a position of the file (several threads may write their own parts at once).
void WriteAllAt(HANDLE file, std::uint64_t offset, std::string_view bytes);

/// "C:\a\b" gives ("C:\a", "b"); "b" gives (".", "b"); either separator counts.
std::pair<std::string, std::string> SplitFolderAndName(const std::string& path);

/// FILETIME (100 ns steps since 1601) and the program's FileTime (since 1970), both ways.
FileTime FileTimeOf(const FILETIME& time);
FILETIME FileTimeToSystem(FileTime time);

/// The program's attribute bits of the system's attributes.
int AttributesOf(DWORD systemAttributes);

/// Volume and file index of an open file or folder.
FolderIdentity IdentityOf(HANDLE handle);

}  // namespace synvora
