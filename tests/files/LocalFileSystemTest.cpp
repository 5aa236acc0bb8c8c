#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

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
    void MakeReadOnly(std::string_view name) const { ASSERT_EQ(::chmod(Path(name).c_str(), 0444), 0); }

    test::TempDir m_dir;
    LocalFileSystem m_fs;
};

// ---- CopyFile ----

TEST_F(LocalFileSystemTest, CopyFileCopiesBytesAndKeepsPermissions) {
    std::string big(3 * 1024 * 1024 + 17, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) {
        big[i] = static_cast<char>((i * 7919) % 251);
    }
    WriteBytes(Path("big.bin"), big);
    WriteBytes(Path("empty.txt"), "");
    WriteBytes(Path("script.sh"), "#!/bin/sh\n");
    ASSERT_EQ(::chmod(Path("script.sh").c_str(), 0750), 0);
    WriteBytes(Path("locked.txt"), "locked");
    MakeReadOnly("locked.txt");

    m_fs.CopyFile(Path("big.bin"), Path("big copy.bin"), false);
    m_fs.CopyFile(Path("empty.txt"), Path("empty copy.txt"), false);
    m_fs.CopyFile(Path("script.sh"), Path("script copy.sh"), false);
    m_fs.CopyFile(Path("locked.txt"), Path("locked copy.txt"), false);

    EXPECT_EQ(ReadBytes(Path("big copy.bin")), big);
    EXPECT_EQ(ReadBytes(Path("empty copy.txt")), "");
    EXPECT_EQ(PermissionsOf(Path("script copy.sh")), 0750);
    EXPECT_EQ(ReadBytes(Path("locked copy.txt")), "locked");
    EXPECT_EQ(m_fs.Attributes(Path("locked copy.txt")), kAttributeReadOnly | kAttributeArchive);
}

TEST_F(LocalFileSystemTest, CopyFileReplacesAnExistingDestinationOnlyWithOverwrite) {
    WriteBytes(Path("new.sql"), "new");
    WriteBytes(Path("old.sql"), "old");

    EXPECT_EQ(ErrorNumberOf([&] { m_fs.CopyFile(Path("new.sql"), Path("old.sql"), false); }),
              PlatformError::kFileAlreadyExists);
    EXPECT_EQ(ReadBytes(Path("old.sql")), "old");

    m_fs.CopyFile(Path("new.sql"), Path("old.sql"), true);
    EXPECT_EQ(ReadBytes(Path("old.sql")), "new");
    EXPECT_EQ(ReadTree(m_dir.Path()), (FileTree{{"new.sql", "new"}, {"old.sql", "new"}}));
}

TEST_F(LocalFileSystemTest, CopyFileNeverReplacesAReadOnlyDestinationEvenForRoot) {
    WriteBytes(Path("new.sql"), "new");
    WriteBytes(Path("old.sql"), "old");
    MakeReadOnly("old.sql");

    EXPECT_EQ(ErrorNumberOf([&] { m_fs.CopyFile(Path("new.sql"), Path("old.sql"), true); }),
              PlatformError::kPermissionDenied);
    EXPECT_EQ(ReadTree(m_dir.Path()), (FileTree{{"new.sql", "new"}, {"old.sql", "old"}}));
}

TEST_F(LocalFileSystemTest, CopyFileFailsForMissingSourceFolderSourceAndFolderDestination) {
    WriteBytes(Path("a.sql"), "a");
    WriteTree(m_dir.Path(), {{"folder/inside.txt", "kept"}});

    EXPECT_EQ(ErrorNumberOf([&] { m_fs.CopyFile(Path("missing.sql"), Path("b.sql"), true); }),
              PlatformError::kFileNotFound);
    EXPECT_EQ(ErrorNumberOf([&] { m_fs.CopyFile(Path("folder"), Path("b.sql"), true); }),
              PlatformError::kFileNotFound);
    EXPECT_NE(ErrorNumberOf([&] { m_fs.CopyFile(Path("a.sql"), Path("folder"), true); }), 0);
    EXPECT_EQ(ErrorNumberOf([&] { m_fs.CopyFile(Path("a.sql"), Path("nowhere/b.sql"), true); }),
              PlatformError::kPathNotFound);
    EXPECT_NE(ErrorNumberOf([&] { m_fs.CopyFile(Path("a.sql"), "", true); }), 0);
    EXPECT_EQ(ReadTree(m_dir.Path()), (FileTree{{"a.sql", "a"}, {"folder/inside.txt", "kept"}}));
}

TEST_F(LocalFileSystemTest, CopyFileHandlesBlanksNonAsciiNamesAndLinkedSources) {
    WriteTree(m_dir.Path(), {{"Program Files/caf\u00E9 \u00FC.txt", "\xE9t\xE9"}, {"E-Synvora/", ""}});
    ASSERT_EQ(::symlink("caf\u00E9 \u00FC.txt", Path("Program Files/link.txt").c_str()), 0);

    m_fs.CopyFile(Path("Program Files/caf\u00E9 \u00FC.txt"), Path("E-Synvora/r\u00E9sum\u00E9 1.txt"),
                  false);
    m_fs.CopyFile(Path("Program Files/link.txt"), Path("E-Synvora/from link.txt"), false);

    EXPECT_EQ(ReadBytes(Path("E-Synvora/r\u00E9sum\u00E9 1.txt")), "\xE9t\xE9");
    EXPECT_FALSE(fs::is_symlink(Path("E-Synvora/from link.txt")));
    EXPECT_EQ(ReadBytes(Path("E-Synvora/from link.txt")), "\xE9t\xE9");
}

// ---- CopyFolder ----

const FileTree kImages = {
    {"logo.gif", "GIF89a"},
    {"buttons/ok.png", "ok"},
    {"buttons/cancel.png", "cancel"},
    {"buttons/hover/ok.png", "hover"},
    {"empty/", ""},
};

TEST_F(LocalFileSystemTest, CopyFolderCreatesTheDestinationWithParentsAndCopiesTheWholeTree) {
    WriteTree(Path("old/images"), kImages);
    ASSERT_EQ(::chmod(Path("old/images/buttons/ok.png").c_str(), 0444), 0);

    m_fs.CopyFolder(Path("old/images"), Path("new/E-Synvora/images"), true);

    // The content lands directly in the named folder, not in new/E-Synvora/images/images.
    EXPECT_EQ(ReadTree(Path("new/E-Synvora/images")), kImages);
    EXPECT_EQ(PermissionsOf(Path("new/E-Synvora/images/buttons/ok.png")), 0444);
    EXPECT_EQ(ReadTree(Path("old/images")), kImages);
}

TEST_F(LocalFileSystemTest, CopyFolderMergesIntoAnExistingFolder) {
    WriteTree(Path("old"), {{"a.xml", "new a"}, {"sub/b.xml", "new b"}});
    WriteTree(Path("new"), {{"a.xml", "old a"}, {"keep.xml", "keep"}, {"sub/keep.xml", "keep sub"}});

    m_fs.CopyFolder(Path("old"), Path("new"), true);

    EXPECT_EQ(
        ReadTree(Path("new")),
        (FileTree{
            {"a.xml", "new a"}, {"keep.xml", "keep"}, {"sub/b.xml", "new b"}, {"sub/keep.xml", "keep sub"}}));
}

TEST_F(LocalFileSystemTest, CopyFolderWithoutOverwriteKeepsExistingFilesCopiesTheRestAndFails) {
    WriteTree(Path("old"), {{"a.xml", "new a"}, {"b.xml", "new b"}});
    WriteTree(Path("new"), {{"a.xml", "old a"}});

    EXPECT_EQ(ErrorNumberOf([&] { m_fs.CopyFolder(Path("old"), Path("new"), false); }),
              PlatformError::kFileAlreadyExists);
    EXPECT_EQ(ReadTree(Path("new")), (FileTree{{"a.xml", "old a"}, {"b.xml", "new b"}}));
}

TEST_F(LocalFileSystemTest, CopyFolderGoesOnPastAReadOnlyDestinationFileAndThenFails) {
    WriteTree(Path("old"), {{"a.xml", "new a"}, {"m.xml", "new m"}, {"z/z.xml", "new z"}});
    WriteTree(Path("new"), {{"m.xml", "old m"}});
    MakeReadOnly("new/m.xml");

    EXPECT_EQ(ErrorNumberOf([&] { m_fs.CopyFolder(Path("old"), Path("new"), true); }),
              PlatformError::kPermissionDenied);
    // Nothing half-written and no temporary left: every file is either old or complete.
    EXPECT_EQ(ReadTree(Path("new")),
              (FileTree{{"a.xml", "new a"}, {"m.xml", "old m"}, {"z/z.xml", "new z"}}));
}

TEST_F(LocalFileSystemTest, CopyFolderReportsAFileWhereAFolderShouldBeAndCopiesTheRest) {
    WriteTree(Path("old"), {{"a.xml", "a"}, {"sub/b.xml", "b"}});
    WriteTree(Path("new"), {{"sub", "a file"}});

    EXPECT_NE(ErrorNumberOf([&] { m_fs.CopyFolder(Path("old"), Path("new"), true); }), 0);
    EXPECT_EQ(ReadTree(Path("new")), (FileTree{{"a.xml", "a"}, {"sub", "a file"}}));
}

TEST_F(LocalFileSystemTest, CopyFolderFailsWithoutCopyingWhenSourceOrDestinationIsWrong) {
    WriteTree(Path("old"), {{"a.xml", "a"}});
    WriteBytes(Path("file"), "a file");

    EXPECT_EQ(ErrorNumberOf([&] { m_fs.CopyFolder(Path("missing"), Path("new"), true); }),
              PlatformError::kPathNotFound);
    EXPECT_EQ(ErrorNumberOf([&] { m_fs.CopyFolder(Path("file"), Path("new"), true); }),
              PlatformError::kPathNotFound);
    EXPECT_EQ(ErrorNumberOf([&] { m_fs.CopyFolder(Path("old"), Path("file"), true); }),
              PlatformError::kFileAlreadyExists);
    EXPECT_EQ(ErrorNumberOf([&] { m_fs.CopyFolder(Path("old"), Path("file/new"), true); }),
              PlatformError::kPathNotFound);
    // A copy into itself would never end.
    EXPECT_NE(ErrorNumberOf([&] { m_fs.CopyFolder(Path("old"), Path("old/copy"), true); }), 0);
    EXPECT_NE(ErrorNumberOf([&] { m_fs.CopyFolder(Path("old"), Path("old"), true); }), 0);
    EXPECT_EQ(ReadTree(m_dir.Path()), (FileTree{{"file", "a file"}, {"old/a.xml", "a"}}));
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

// ---- CreateFolder and the streaming calls ----

TEST_F(LocalFileSystemTest, CreateFolderCreatesParentsAcceptsAnExistingFolderAndRefusesAFile) {
    m_fs.CreateFolder(Path("a/b/c"));
    EXPECT_TRUE(m_fs.FolderExists(Path("a/b/c")));
    m_fs.CreateFolder(Path("a/b/c"));
    m_fs.CreateFolder(Path("a/b/d/"));
    EXPECT_TRUE(m_fs.FolderExists(Path("a/b/d")));

    WriteBytes(Path("file"), "x");
    EXPECT_EQ(ErrorNumberOf([&] { m_fs.CreateFolder(Path("file")); }), PlatformError::kFileAlreadyExists);
    EXPECT_NE(ErrorNumberOf([&] { m_fs.CreateFolder(Path("file/sub")); }), 0);
    EXPECT_NE(ErrorNumberOf([&] { m_fs.CreateFolder(""); }), 0);
}

TEST_F(LocalFileSystemTest, AFileWriterLeavesNothingUnlessCommittedAndCommitsWithoutReplacing) {
    WriteBytes(Path("existing.txt"), "old");
    {
        auto writer = m_fs.CreateFileWriter(Path("abandoned.txt"));
        writer->Write("part");
    }
    {
        auto writer = m_fs.CreateFileWriter(Path("existing.txt"));
        writer->Write("new");
        EXPECT_EQ(ErrorNumberOf([&] { writer->Commit(0644, false); }), PlatformError::kFileAlreadyExists);
    }
    auto writer = m_fs.CreateFileWriter(Path("done.txt"));
    writer->Write("do");
    writer->Write("ne");
    writer->Commit(0640, false);

    EXPECT_EQ(ReadTree(m_dir.Path()), (FileTree{{"done.txt", "done"}, {"existing.txt", "old"}}));
    EXPECT_EQ(PermissionsOf(Path("done.txt")), 0640);
}

TEST_F(LocalFileSystemTest, InspectAndListFolderDescribeWhatIsThere) {
    WriteTree(Path("f"), {{"a.txt", "a"}, {"sub/", ""}});
    ASSERT_EQ(::symlink("sub", Path("f/sub-link").c_str()), 0);
    ASSERT_EQ(::mkfifo(Path("f/pipe").c_str(), 0644), 0);

    EXPECT_FALSE(m_fs.Inspect(Path("missing")).has_value());
    EXPECT_FALSE(m_fs.Inspect(Path("f/a.txt/below")).has_value());
    const auto file = m_fs.Inspect(Path("f/a.txt"));
    ASSERT_TRUE(file.has_value());
    EXPECT_FALSE(file->IsFolder());
    const auto folder = m_fs.Inspect(Path("f/sub"));
    ASSERT_TRUE(folder.has_value());
    EXPECT_TRUE(folder->IsFolder());

    std::map<std::string, FolderEntry> entries;
    for (FolderEntry& entry : m_fs.ListFolder(Path("f"))) {
        entries[entry.name] = entry;
    }
    ASSERT_EQ(entries.size(), 3u);  // the FIFO is no content
    EXPECT_FALSE(entries["a.txt"].isFolder);
    EXPECT_TRUE(entries["sub"].isFolder);
    EXPECT_TRUE(entries["sub-link"].isFolder);
    EXPECT_EQ(entries["sub-link"].identity, folder->identity);
}

// ---- RestrictToOwner ----

TEST_F(LocalFileSystemTest, RestrictToOwnerTakesGroupAndOthersAwayAndKeepsContent) {
    WriteBytes(Path("script.sql"), "secret");
    ASSERT_EQ(::chmod(Path("script.sql").c_str(), 0664), 0);
    WriteBytes(Path("open.log"), "old output");
    ASSERT_EQ(::chmod(Path("open.log").c_str(), 0777), 0);
    WriteBytes(Path("locked.sql"), "locked");
    ASSERT_EQ(::chmod(Path("locked.sql").c_str(), 0444), 0);

    m_fs.RestrictToOwner(Path("script.sql"));
    m_fs.RestrictToOwner(Path("open.log"));
    m_fs.RestrictToOwner(Path("locked.sql"));

    EXPECT_EQ(PermissionsOf(Path("script.sql")), 0600);
    EXPECT_EQ(ReadBytes(Path("script.sql")), "secret");
    EXPECT_EQ(PermissionsOf(Path("open.log")), 0600);
    EXPECT_EQ(ReadBytes(Path("open.log")), "old output");
    // A read-only copy is made writable: the program fills it next, and a read-only one (attribute
    // 33) would silently keep its placeholders.
    EXPECT_EQ(PermissionsOf(Path("locked.sql")), 0600);
    EXPECT_EQ(m_fs.Attributes(Path("locked.sql")), kAttributeArchive);
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

TEST_F(LocalFileSystemTest, RestrictToOwnerRefusesFoldersMissingFoldersAndEmptyPaths) {
    WriteTree(m_dir.Path(), {{"sub/", ""}});
    ASSERT_EQ(::chmod(Path("sub").c_str(), 0755), 0);

    EXPECT_NE(ErrorNumberOf([&] { m_fs.RestrictToOwner(Path("sub")); }), 0);
    EXPECT_EQ(PermissionsOf(Path("sub")), 0755);
    EXPECT_EQ(ErrorNumberOf([&] { m_fs.RestrictToOwner(Path("missing/a.log")); }),
              PlatformError::kFileNotFound);
    EXPECT_EQ(ErrorNumberOf([&] { m_fs.RestrictToOwner(""); }), PlatformError::kFileNotFound);
    EXPECT_FALSE(fs::exists(Path("missing")));
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
