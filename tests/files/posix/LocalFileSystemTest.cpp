// What only the Linux file system has: permission bits, symbolic and hard links, FIFOs, the
// creation mask, a disk that refuses writes, a rooted file system standing in for a drive.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "files/ErrorCodes.h"
#include "files/posix/LocalFileSystem.h"
#include "support/FileSizeLimit.h"
#include "support/FileTree.h"
#include "support/TempDir.h"

namespace synvora {
namespace {

using test::ErrorNumberOf;
using test::FileTree;
using test::PermissionsOf;
using test::ReadBytes;
using test::ReadTree;
using test::WriteBytes;
using test::WriteTree;
namespace fs = std::filesystem;

class LocalFileSystemTest : public ::testing::Test {
protected:
    std::string Path(std::string_view name) const { return m_dir / name; }

    test::TempDir m_dir;
    LocalFileSystem m_fs;
};

TEST_F(LocalFileSystemTest, CopiesKeepPermissionBitsAndFollowLinkedSources) {
    WriteTree(m_dir.Path(), {{"script.sh", "#!/bin/sh\n"}, {"old/images/ok.png", "ok"}, {"old/a.txt", "a"}});
    ASSERT_EQ(::chmod(Path("script.sh").c_str(), 0750), 0);
    ASSERT_EQ(::chmod(Path("old/images/ok.png").c_str(), 0444), 0);
    ASSERT_EQ(::symlink("script.sh", Path("link.sh").c_str()), 0);

    m_fs.CopyFile(Path("script.sh"), Path("script copy.sh"), false);
    m_fs.CopyFile(Path("link.sh"), Path("from link.sh"), false);
    m_fs.CopyFolder(Path("old"), Path("new"), true);

    EXPECT_EQ(PermissionsOf(Path("script copy.sh")), 0750);
    EXPECT_FALSE(fs::is_symlink(Path("from link.sh")));
    EXPECT_EQ(ReadBytes(Path("from link.sh")), "#!/bin/sh\n");
    EXPECT_EQ(PermissionsOf(Path("new/images/ok.png")), 0444);
}

TEST_F(LocalFileSystemTest, ListingsLeaveOutFifosAndShowLinksAsWhatTheyLeadTo) {
    WriteTree(Path("f"), {{"a.txt", "a"}, {"sub/", ""}});
    ASSERT_EQ(::symlink("sub", Path("f/sub-link").c_str()), 0);
    ASSERT_EQ(::mkfifo(Path("f/pipe").c_str(), 0644), 0);

    std::map<std::string, FolderEntry> entries;
    for (FolderEntry& entry : m_fs.ListFolder(Path("f"))) {
        entries[entry.name] = entry;
    }
    ASSERT_EQ(entries.size(), 3u);  // the FIFO is no content
    EXPECT_TRUE(entries["sub-link"].isFolder);
    EXPECT_EQ(entries["sub-link"].identity, m_fs.Inspect(Path("f/sub"))->identity);
}

TEST_F(LocalFileSystemTest, RestrictToOwnerTakesGroupAndOthersAway) {
    WriteBytes(Path("script.sql"), "secret");
    ASSERT_EQ(::chmod(Path("script.sql").c_str(), 0664), 0);
    WriteBytes(Path("open.log"), "old output");
    ASSERT_EQ(::chmod(Path("open.log").c_str(), 0777), 0);
    WriteBytes(Path("locked.sql"), "locked");
    ASSERT_EQ(::chmod(Path("locked.sql").c_str(), 0444), 0);

    for (const char* name : {"script.sql", "open.log", "locked.sql"}) {
        m_fs.RestrictToOwner(Path(name));
        EXPECT_EQ(PermissionsOf(Path(name)), 0600) << name;
    }
    EXPECT_EQ(ReadBytes(Path("open.log")), "old output");
}

TEST_F(LocalFileSystemTest, ADiskThatRefusesWritesLeavesOldOrCompleteFilesAndNoTemporaries) {
    const std::string big(2 << 20, 'n');
    WriteTree(Path("old"), {{"a.xml", "a"}, {"big.bin", big}, {"sub/c.xml", "c"}});
    WriteTree(Path("new"), {{"big.bin", "old big"}});
    {
        const test::FileSizeLimit limit(1 << 20);
        EXPECT_EQ(ErrorNumberOf([&] { m_fs.CopyFolder(Path("old"), Path("new"), true); }),
                  PlatformError::kDiskFull);
        EXPECT_EQ(ErrorNumberOf([&] { m_fs.CopyFile(Path("old/big.bin"), Path("single.bin"), true); }),
                  PlatformError::kDiskFull);
    }
    EXPECT_EQ(ReadTree(m_dir.Path()), (FileTree{{"new/a.xml", "a"},
                                                {"new/big.bin", "old big"},
                                                {"new/sub/c.xml", "c"},
                                                {"old/a.xml", "a"},
                                                {"old/big.bin", big},
                                                {"old/sub/c.xml", "c"}}));
}

TEST_F(LocalFileSystemTest, CopyFolderIntoAFolderWithoutWritePermission) {
    if (test::RunningAsRoot()) {
        GTEST_SKIP() << "root writes into read-only folders";
    }
    WriteTree(Path("old"), {{"a.xml", "a"}});
    WriteTree(Path("new"), {{"keep.xml", "keep"}});
    ASSERT_EQ(::chmod(Path("new").c_str(), 0555), 0);

    EXPECT_EQ(ErrorNumberOf([&] { m_fs.CopyFolder(Path("old"), Path("new"), true); }),
              PlatformError::kPermissionDenied);
    ASSERT_EQ(::chmod(Path("new").c_str(), 0755), 0);
    EXPECT_EQ(ReadTree(Path("new")), (FileTree{{"keep.xml", "keep"}}));
}

TEST_F(LocalFileSystemTest, CopyFolderFollowsLinksButNotIntoLoops) {
    WriteTree(Path("shared"), {{"s.png", "shared"}});
    WriteTree(Path("old"), {{"a.png", "a"}, {"sub/b.png", "b"}});
    ASSERT_EQ(::symlink("../a.png", Path("old/sub/a-link.png").c_str()), 0);
    ASSERT_EQ(::symlink("../../shared", Path("old/sub/shared").c_str()), 0);
    ASSERT_EQ(::symlink("..", Path("old/sub/back").c_str()), 0);

    m_fs.CopyFolder(Path("old"), Path("new"), true);

    EXPECT_EQ(
        ReadTree(Path("new")),
        (FileTree{
            {"a.png", "a"}, {"sub/a-link.png", "a"}, {"sub/b.png", "b"}, {"sub/shared/s.png", "shared"}}));
}

TEST_F(LocalFileSystemTest, CopyFolderReportsALinkThatLeadsNowhereAndCopiesTheRest) {
    WriteTree(Path("old"), {{"a.png", "a"}});
    ASSERT_EQ(::symlink("gone.png", Path("old/dangling.png").c_str()), 0);

    EXPECT_EQ(ErrorNumberOf([&] { m_fs.CopyFolder(Path("old"), Path("new"), true); }),
              PlatformError::kFileNotFound);
    EXPECT_EQ(ReadTree(Path("new")), (FileTree{{"a.png", "a"}}));
}

TEST_F(LocalFileSystemTest, RestrictToOwnerReplacesALinkAndNeverTouchesWhatItLeadsTo) {
    WriteBytes(Path("other.txt"), "someone else's file");
    ASSERT_EQ(::chmod(Path("other.txt").c_str(), 0644), 0);
    ASSERT_EQ(::symlink(Path("other.txt").c_str(), Path("symbolic.log").c_str()), 0);
    ASSERT_EQ(::link(Path("other.txt").c_str(), Path("hard.log").c_str()), 0);
    ASSERT_EQ(::symlink(Path("nowhere").c_str(), Path("dangling.log").c_str()), 0);

    for (const char* name : {"symbolic.log", "hard.log", "dangling.log"}) {
        m_fs.RestrictToOwner(Path(name));
        struct stat info {};
        ASSERT_EQ(::lstat(Path(name).c_str(), &info), 0) << name;
        EXPECT_TRUE(S_ISREG(info.st_mode)) << name;
        EXPECT_EQ(info.st_nlink, 1u) << name;
        EXPECT_EQ(info.st_mode & 07777, 0600u) << name;
        EXPECT_EQ(ReadBytes(Path(name)), "") << name;
    }
    EXPECT_EQ(ReadBytes(Path("other.txt")), "someone else's file");
    EXPECT_EQ(PermissionsOf(Path("other.txt")), 0644);
    EXPECT_FALSE(fs::exists(Path("nowhere")));
}

TEST_F(LocalFileSystemTest, RestrictToOwnerCreatesAMissingFileForItsOwnerOnlyWhateverTheMask) {
    const mode_t previous = ::umask(0);
    m_fs.RestrictToOwner(Path("open mask.log"));
    ::umask(0277);
    m_fs.RestrictToOwner(Path("tight mask.log"));
    ::umask(previous);

    EXPECT_EQ(PermissionsOf(Path("open mask.log")), 0600);
    EXPECT_EQ(PermissionsOf(Path("tight mask.log")), 0600);
    EXPECT_TRUE(m_fs.FileExists(Path("open mask.log")));
    EXPECT_EQ(ReadBytes(Path("tight mask.log")), "");
}

TEST_F(LocalFileSystemTest, ARootedFileSystemTakesEveryPathBelowItsRoot) {
    WriteTree(Path("drive"), {{"Synvora/images/a.gif", "a"}});
    LocalFileSystem drive(Path("drive"));

    EXPECT_TRUE(drive.FolderExists("/Synvora/images"));
    EXPECT_TRUE(drive.FolderExists("/"));
    EXPECT_TRUE(drive.FileExists("/Synvora/images/a.gif"));
    EXPECT_FALSE(drive.FileExists(Path("drive/Synvora/images/a.gif")));
    drive.CopyFolder("/Synvora/images", "/Synvora/copy", false);
    EXPECT_EQ(ReadBytes(Path("drive/Synvora/copy/a.gif")), "a");
}

}  // namespace
}  // namespace synvora
