#pragma once

#include <cstddef>
#include <string>
#include <string_view>

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

/// Raw bytes of a file ("" when it cannot be read); writing creates or replaces the file.
std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, std::string_view bytes);

/// Random hexadecimal digits, for passwords and names that no two runs share.
std::string RandomHex(std::size_t length);

/// True when the process ignores permission bits (root), so read-only tests need care.
bool RunningAsRoot();

}  // namespace synvora::test
