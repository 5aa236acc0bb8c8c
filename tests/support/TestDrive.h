#pragma once

#include <cstdint>
#include <string>

namespace synvora::test {

/// A drive letter that stands for a mapped network drive, for the scope: the program reaches its
/// content as "Y:\...", the test writes it with the helpers of FileTree.h below Folder(). On Linux
/// a temporary folder mounted on Y: in TheFileSystem(); on Windows the drive Y: that the test
/// run's Wine prefix links to a folder of its own (scripts/wine-prefix), emptied again at the end.
class TestDrive {
public:
    TestDrive();
    TestDrive(const TestDrive&) = delete;
    TestDrive& operator=(const TestDrive&) = delete;
    ~TestDrive();

    /// "Y:", as a mapped drive's name reaches the program.
    static std::string Letter() { return "Y:"; }
    /// Where the test writes the drive's content.
    const std::string& Folder() const { return m_folder; }

private:
    std::string m_folder;
};

/// A number that tells files apart on one disk (the inode, the file index): a file written anew
/// gets another one.
std::uint64_t FileIdOf(const std::string& path);

}  // namespace synvora::test
