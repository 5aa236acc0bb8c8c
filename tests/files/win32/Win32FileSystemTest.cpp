// What only the Windows file system has: paths beyond the plain calls' limit, the owner-only DACL,
// hard and symbolic links, files held open by others, attributes a rewrite keeps.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "files/ErrorCodes.h"
#include "files/FileSystem.h"
#include "files/Paths.h"
#include "files/TextFiles.h"
#include "files/win32/UniqueHandle.h"
#include "files/win32/WindowsApi.h"
#include "support/FileTree.h"
#include "support/OwnerOnly.h"
#include "support/TempDir.h"

namespace synvora {
namespace {

using test::ErrorNumberOf;
using test::ExpectOwnerOnly;
using test::FileTree;
using test::FsPath;
using test::ReadBytes;
using test::ReadTree;
using test::WriteBytes;
using test::WriteTree;

class Win32FileSystemTest : public ::testing::Test {
protected:
    std::string Path(std::string_view name) const { return m_dir.Path() + "\\" + std::string(name); }
    DWORD SystemAttributes(std::string_view name) const {
        return ::GetFileAttributesW(FsPath(Path(name)).c_str());
    }

    test::TempDir m_dir;
    FileSystem& m_fs = TheFileSystem();
};

TEST_F(Win32FileSystemTest, PathsKeepTheBackslashAndLongPathsWorkThroughEveryCall) {
    EXPECT_EQ(kPathSeparator, '\\');
    EXPECT_EQ(JoinPath("C:\\", "Migration.log"), "C:\\\\Migration.log");

    // Deeper than MAX_PATH: the plain calls would fail here.
    std::string deep = Path("long");
    while (deep.size() < 300) {
        deep += "\\E-Synvora Inhalt " + std::to_string(deep.size());
    }
    m_fs.CreateFolder(deep);
    ASSERT_TRUE(m_fs.FolderExists(deep));
    WriteTree(m_dir.Path(), {{"src/a.gif", "a"}, {"src/sub/b.gif", "bb"}});
    m_fs.CopyFolder(Path("src"), deep + "\\images", true);
    m_fs.CopyFile(Path("src\\a.gif"), deep + "\\single.gif", false);
    RewriteText(m_fs, deep + "\\PelluxDest.sql", "caf\u00E9\r\n");

    EXPECT_EQ(m_fs.ReadFile(deep + "\\images\\sub\\b.gif"), "bb");
    EXPECT_EQ(m_fs.ReadFile(deep + "\\single.gif"), "a");
    EXPECT_EQ(m_fs.ReadFile(deep + "\\PelluxDest.sql"), "caf\xE9\r\n");
    EXPECT_EQ(m_fs.ListFolder(deep + "\\images").size(), 2u);
    m_fs.RestrictToOwner(deep + "\\PelluxDest.sql");
    EXPECT_EQ(m_fs.ReadFile(deep + "\\PelluxDest.sql"), "caf\xE9\r\n");
}

TEST_F(Win32FileSystemTest, RestrictToOwnerLeavesOnlyTheOwnerInAndNeverWritesThroughAHardLink) {
    WriteBytes(Path("PelluxDest.sql"), "secret");
    WriteBytes(Path("other.txt"), "someone else's file");
    ASSERT_TRUE(::CreateHardLinkW(FsPath(Path("PelluxDest.log")).c_str(), FsPath(Path("other.txt")).c_str(),
                                  nullptr));

    m_fs.RestrictToOwner(Path("PelluxDest.sql"));
    m_fs.RestrictToOwner(Path("PelluxDest.log"));
    m_fs.RestrictToOwner(Path("new.log"));

    EXPECT_EQ(ReadBytes(Path("PelluxDest.sql")), "secret");
    ExpectOwnerOnly(Path("PelluxDest.sql"));
    // The second name is now a file of its own; the other name keeps its content.
    EXPECT_EQ(ReadBytes(Path("PelluxDest.log")), "");
    ExpectOwnerOnly(Path("PelluxDest.log"));
    EXPECT_EQ(ReadBytes(Path("other.txt")), "someone else's file");
    ExpectOwnerOnly(Path("new.log"));
}

TEST_F(Win32FileSystemTest, RestrictToOwnerRemovesASymbolicLinkItself) {
    WriteBytes(Path("other.txt"), "someone else's file");
    const BOOL created =
        ::CreateSymbolicLinkW(FsPath(Path("PelluxDest.log")).c_str(), FsPath(Path("other.txt")).c_str(), 0);
    if (!created || SystemAttributes("PelluxDest.log") == INVALID_FILE_ATTRIBUTES) {
        GTEST_SKIP() << "this system made no symbolic link (Wine reports success and makes none)";
    }
    m_fs.RestrictToOwner(Path("PelluxDest.log"));

    EXPECT_EQ(SystemAttributes("PelluxDest.log") & FILE_ATTRIBUTE_REPARSE_POINT, 0u);
    EXPECT_EQ(ReadBytes(Path("PelluxDest.log")), "");
    EXPECT_EQ(ReadBytes(Path("other.txt")), "someone else's file");
}

TEST_F(Win32FileSystemTest, AFileHeldOpenByAnotherProgramIsNotReplacedAndTheCopyGoesOn) {
    WriteTree(m_dir.Path(), {{"old/a.xml", "new a"}, {"old/b.xml", "new b"}, {"new/a.xml", "old a"}});
    {
        // Opened without sharing, as an editor or a virus scanner may hold it.
        const UniqueHandle held(::CreateFileW(FsPath(Path("new\\a.xml")).c_str(), GENERIC_READ, 0, nullptr,
                                              OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held.Valid());
        EXPECT_EQ(ErrorNumberOf([&] { m_fs.CopyFolder(Path("old"), Path("new"), true); }),
                  PlatformError::kPermissionDenied);
    }
    EXPECT_EQ(ReadTree(Path("new")), (FileTree{{"a.xml", "old a"}, {"b.xml", "new b"}}));
}

TEST_F(Win32FileSystemTest, ARewriteKeepsTheFilesAttributesAndANewFileIsNotLeftHidden) {
    WriteBytes(Path("migration.sql"), "old");
    ASSERT_TRUE(::SetFileAttributesW(FsPath(Path("migration.sql")).c_str(), FILE_ATTRIBUTE_HIDDEN));

    RewriteText(m_fs, Path("migration.sql"), "new");
    RewriteText(m_fs, Path("PelluxDest.sql"), "first");

    EXPECT_EQ(ReadBytes(Path("migration.sql")), "new");
    EXPECT_NE(SystemAttributes("migration.sql") & FILE_ATTRIBUTE_HIDDEN, 0u);
    EXPECT_EQ(SystemAttributes("PelluxDest.sql") & FILE_ATTRIBUTE_HIDDEN, 0u);
    EXPECT_EQ(m_fs.Attributes(Path("PelluxDest.sql")), kAttributeArchive);
}

TEST_F(Win32FileSystemTest, ShareAndUnmappedDrivePaths) {
    EXPECT_TRUE(IsOnNetworkDrive("\\\\OLDWEB\\D$\\Synvora"));
    EXPECT_TRUE(IsOnNetworkDrive("\\\\?\\UNC\\OLDWEB\\D$"));
    EXPECT_FALSE(IsOnNetworkDrive(Path("Synvora")));
    EXPECT_FALSE(IsOnNetworkDrive("Synvora"));
    // Q: has nothing behind it: no folder, and a copy from it fails without touching anything.
    EXPECT_FALSE(m_fs.FolderExists("Q:\\Synvora"));
    EXPECT_NE(ErrorNumberOf([&] { m_fs.CopyFolder("Q:\\Synvora", Path("copy"), true); }), 0);
    EXPECT_FALSE(m_fs.FolderExists(Path("copy")));
}

}  // namespace
}  // namespace synvora
