#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "files/FileSystem.h"

namespace synvora::test {

/// A fresh folder below the system's temporary folder, removed with everything in it at the end
/// of the scope.
class TempDir {
public:
    explicit TempDir(std::string_view prefix = "synvora-test");
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();

    const std::string& Path() const { return m_path; }
    /// Path of a name inside the folder.
    std::string operator/(std::string_view name) const;

private:
    std::string m_path;
};

/// Changes the process's current directory for the scope and restores it afterwards.
class ScopedCurrentDirectory {
public:
    explicit ScopedCurrentDirectory(const std::string& path);
    ScopedCurrentDirectory(const ScopedCurrentDirectory&) = delete;
    ScopedCurrentDirectory& operator=(const ScopedCurrentDirectory&) = delete;
    ~ScopedCurrentDirectory();

private:
    std::string m_previous;
};

/// The path of a UTF-8 name for std::filesystem and the streams (on Windows a narrow path would be
/// taken as the ANSI code page), and back.
std::filesystem::path FsPath(std::string_view utf8);
std::string Utf8Path(const std::filesystem::path& path);

/// Raw bytes of a file ("" when it cannot be read); writing creates or replaces the file.
std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, std::string_view bytes);

/// Random hexadecimal digits, for passwords and names that no two runs share.
std::string RandomHex(std::size_t length);

/// True when the process ignores permission bits (root), so read-only tests need care.
/// System-specific, as are the functions below (support/posix, support/win32).
bool RunningAsRoot();

/// A new, empty folder below the system's temporary folder, for the test alone.
std::string MakeTemporaryFolder(std::string_view prefix);

/// Makes a file read-only as the system marks it: the owner's write permission taken away on
/// Linux, the read-only attribute on Windows.
void MakeReadOnly(const std::string& path);

/// An environment variable of this process as UTF-8 (nothing when unset), and setting or removing
/// one; the programs this process starts see the change.
std::optional<std::string> EnvironmentValue(const std::string& name);
void SetEnvironmentValue(const std::string& name, const std::optional<std::string>& value);

/// The folder of the running program's own file, and the ending of a program's file name (".exe"
/// on Windows, none on Linux).
std::string OwnFolder();
std::string ExecutableSuffix();

/// A device every write to fails with "disk full" ("/dev/full"), and one that reads as endless NUL
/// bytes ("/dev/zero"); "" where the system has none.
std::string FullDevice();
std::string ZeroDevice();

/// How the C runtime's text streams (stderr) end a line: "\n", on Windows "\r\n".
std::string TextLineEnd();

/// Gives a file a modification time in place (the file stays the same file).
void SetModificationTime(const std::string& path, FileTime modified);

/// Makes a symbolic link at `link` that leads to `target` (a folder or a file); false when the
/// system made none (Wine reports success and makes none).
bool MakeLink(const std::string& target, const std::string& link);

/// True for a symbolic link itself (on Windows any name-surrogate reparse point).
bool IsLink(const std::string& path);

}  // namespace synvora::test
