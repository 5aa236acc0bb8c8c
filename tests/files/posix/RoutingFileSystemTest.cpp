#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "files/ErrorCodes.h"
#include "files/posix/LocalFileSystem.h"
#include "files/posix/RoutingFileSystem.h"
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

// A second local file system rooted on a temporary folder plays the network drive: a real
// backend, reached only through the drive letter.
class RoutingFileSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteTree(m_share.Path(), {{"E-Synvora/", ""}});
        m_router.MountDrive('Z', std::make_shared<LocalFileSystem>(m_share.Path()));
    }
    std::string Local(std::string_view name) const { return m_local / name; }
    std::string Share(std::string_view name) const { return m_share / name; }

    test::TempDir m_local;
    test::TempDir m_share;
    RoutingFileSystem m_router;
};

TEST_F(RoutingFileSystemTest, AnUnmountedDriveAnswersAsADriveThatDoesNotExist) {
    WriteBytes(Local("a.txt"), "a");
    EXPECT_FALSE(m_router.IsDriveMounted('y'));
    EXPECT_FALSE(m_router.FolderExists("Y:/"));
    EXPECT_FALSE(m_router.FileExists("Y:/a.txt"));
    EXPECT_TRUE(m_router.Inspect(Local("a.txt")).has_value());

    const std::int32_t notReady = PlatformError::kDiskNotReady;
    EXPECT_EQ(ErrorNumberOf([&] { m_router.CreateFolder("Y:/new"); }), notReady);
    EXPECT_EQ(ErrorNumberOf([&] { m_router.CopyFile(Local("a.txt"), "Y:/a.txt", true); }), notReady);
    EXPECT_EQ(ErrorNumberOf([&] { m_router.CopyFolder("Y:/images", Local("images"), true); }), notReady);
    EXPECT_EQ(ErrorNumberOf([&] { m_router.ReadFile("Y:/a.txt"); }), notReady);
    EXPECT_EQ(ErrorNumberOf([&] { m_router.Attributes("Y:"); }), notReady);
    EXPECT_EQ(ErrorNumberOf([&] { m_router.Inspect("Y:/a.txt"); }), notReady);
}

TEST_F(RoutingFileSystemTest, AMountedDriveReceivesPathsWithoutTheDrivePrefix) {
    WriteTree(m_share.Path(), {{"E-Synvora/images/a.gif", "a"}});

    EXPECT_TRUE(m_router.IsDriveMounted('z'));
    EXPECT_TRUE(m_router.IsDriveMounted('Z'));
    EXPECT_TRUE(m_router.FolderExists("Z:/E-Synvora/images"));
    EXPECT_TRUE(m_router.FolderExists("z:\\E-Synvora\\images"));
    EXPECT_TRUE(m_router.FolderExists("Z:"));
    EXPECT_TRUE(m_router.FileExists("Z:E-Synvora/images/a.gif"));
    EXPECT_EQ(m_router.ReadFile("Z:/E-Synvora/images/a.gif"), "a");

    m_router.CreateFolder("Z:/E-Synvora/new/deeper");
    EXPECT_TRUE(m_router.FolderExists("Z:/E-Synvora/new/deeper"));
    m_router.ReplaceFile("Z:/E-Synvora/new/deeper/b.txt", "b");
    EXPECT_EQ(ReadBytes(Share("E-Synvora/new/deeper/b.txt")), "b");

    m_router.UnmountDrive('z');
    EXPECT_FALSE(m_router.IsDriveMounted('Z'));
    EXPECT_FALSE(m_router.FolderExists("Z:/E-Synvora/images"));
    EXPECT_TRUE(m_router.FolderExists(Share("E-Synvora/images")));
}

TEST_F(RoutingFileSystemTest, OnlyLettersNameDrives) {
    EXPECT_EQ(ErrorNumberOf([&] { m_router.MountDrive('1', std::make_shared<LocalFileSystem>()); }),
              PlatformError::kBadFileNameOrNumber);
    EXPECT_FALSE(m_router.IsDriveMounted(':'));
}

const FileTree kImages = {
    {"logo.gif", "GIF89a"},
    {"buttons/ok.png", std::string(3 << 20, 'o')},
    {"buttons/hover/ok.png", "hover"},
    {"empty/", ""},
};

TEST_F(RoutingFileSystemTest, CopyFolderFromADriveToTheLocalDiskCopiesTheWholeTree) {
    WriteTree(Share("E-Synvora/images"), kImages);
    ASSERT_EQ(::chmod(Share("E-Synvora/images/logo.gif").c_str(), 0444), 0);

    m_router.CopyFolder("Z:/E-Synvora/images", Local("Synvora/E-Synvora/images"), true);

    EXPECT_EQ(ReadTree(Local("Synvora/E-Synvora/images")), kImages);
    EXPECT_EQ(PermissionsOf(Local("Synvora/E-Synvora/images/logo.gif")), 0444);
}

TEST_F(RoutingFileSystemTest, CopyFolderAcrossMergesAndGoesOnPastAReadOnlyFile) {
    WriteTree(Share("E-Synvora/XMLTemplate"),
              {{"a.xml", "new a"}, {"m.xml", "new m"}, {"sub/s.xml", "new s"}});
    WriteTree(Local("XMLTemplate"), {{"m.xml", "old m"}, {"keep.xml", "keep"}, {"sub/", ""}});
    ASSERT_EQ(::chmod(Local("XMLTemplate/m.xml").c_str(), 0444), 0);

    EXPECT_EQ(
        ErrorNumberOf([&] { m_router.CopyFolder("Z:/E-Synvora/XMLTemplate", Local("XMLTemplate"), true); }),
        PlatformError::kPermissionDenied);
    EXPECT_EQ(
        ReadTree(Local("XMLTemplate")),
        (FileTree{{"a.xml", "new a"}, {"keep.xml", "keep"}, {"m.xml", "old m"}, {"sub/s.xml", "new s"}}));
}

TEST_F(RoutingFileSystemTest, CopyFolderAcrossOntoADiskThatRefusesWritesLeavesNoPartialFiles) {
    const std::string big(7 << 19, 'n');  // in the folder copy its second piece fails while the third is read
    WriteTree(Share("E-Synvora/images"), {{"a.gif", "a"}, {"big.bin", big}, {"sub/c.gif", "c"}});
    WriteTree(Local("images"), {{"big.bin", "old big"}});
    {
        const test::FileSizeLimit limit(1 << 20);
        EXPECT_EQ(ErrorNumberOf([&] { m_router.CopyFolder("Z:/E-Synvora/images", Local("images"), true); }),
                  PlatformError::kDiskFull);
        EXPECT_EQ(
            ErrorNumberOf([&] { m_router.CopyFile("Z:/E-Synvora/images/big.bin", Local("big.bin"), true); }),
            PlatformError::kDiskFull);
    }
    EXPECT_EQ(ReadTree(m_local.Path()),
              (FileTree{{"images/a.gif", "a"}, {"images/big.bin", "old big"}, {"images/sub/c.gif", "c"}}));
}

TEST_F(RoutingFileSystemTest, CopyFolderAcrossFailsForAMissingSourceAndAFileAsDestination) {
    WriteBytes(Local("file"), "a file");
    WriteTree(Share("E-Synvora/images"), {{"a.gif", "a"}});

    EXPECT_EQ(ErrorNumberOf([&] { m_router.CopyFolder("Z:/E-Synvora/missing", Local("new"), true); }),
              PlatformError::kPathNotFound);
    EXPECT_EQ(ErrorNumberOf([&] { m_router.CopyFolder("Z:/E-Synvora/images", Local("file"), true); }),
              PlatformError::kFileAlreadyExists);
    EXPECT_EQ(ReadTree(m_local.Path()), (FileTree{{"file", "a file"}}));
}

TEST_F(RoutingFileSystemTest, CopyFolderAcrossReportsAFileWhereAFolderShouldBe) {
    WriteTree(Share("E-Synvora/images"), {{"a.gif", "a"}, {"sub/b.gif", "b"}});
    WriteTree(Local("images"), {{"sub", "a file"}});

    EXPECT_EQ(ErrorNumberOf([&] { m_router.CopyFolder("Z:/E-Synvora/images", Local("images"), true); }),
              PlatformError::kFileAlreadyExists);
    EXPECT_EQ(ReadTree(Local("images")), (FileTree{{"a.gif", "a"}, {"sub", "a file"}}));
}

TEST_F(RoutingFileSystemTest, CopyFolderAcrossDoesNotFollowLinksIntoLoops) {
    WriteTree(Share("E-Synvora/images"), {{"sub/a.gif", "a"}});
    ASSERT_EQ(::symlink("..", Share("E-Synvora/images/sub/up").c_str()), 0);
    ASSERT_EQ(::symlink("a.gif", Share("E-Synvora/images/sub/b.gif").c_str()), 0);

    m_router.CopyFolder("Z:/E-Synvora/images", Local("images"), true);

    EXPECT_EQ(ReadTree(Local("images")), (FileTree{{"sub/a.gif", "a"}, {"sub/b.gif", "a"}}));
}

TEST_F(RoutingFileSystemTest, CopyFolderFromTheLocalDiskToADrive) {
    WriteTree(Local("images"), kImages);

    m_router.CopyFolder(Local("images"), "Z:\\E-Synvora\\images", false);

    EXPECT_EQ(ReadTree(Share("E-Synvora/images")), kImages);
}

TEST_F(RoutingFileSystemTest, CopyFileAcrossFollowsTheOverwriteAndReadOnlyRules) {
    WriteBytes(Share("E-Synvora/new.sql"), "new");
    WriteBytes(Local("old.sql"), "old");
    WriteBytes(Local("locked.sql"), "locked");
    ASSERT_EQ(::chmod(Local("locked.sql").c_str(), 0444), 0);
    WriteTree(m_local.Path(), {{"folder/", ""}});

    EXPECT_EQ(ErrorNumberOf([&] { m_router.CopyFile("Z:/E-Synvora/new.sql", Local("old.sql"), false); }),
              PlatformError::kFileAlreadyExists);
    EXPECT_EQ(ErrorNumberOf([&] { m_router.CopyFile("Z:/E-Synvora/new.sql", Local("locked.sql"), true); }),
              PlatformError::kPermissionDenied);
    EXPECT_NE(ErrorNumberOf([&] { m_router.CopyFile("Z:/E-Synvora/new.sql", Local("folder"), true); }), 0);
    EXPECT_EQ(ErrorNumberOf([&] { m_router.CopyFile("Z:/E-Synvora/missing.sql", Local("x.sql"), true); }),
              PlatformError::kFileNotFound);
    EXPECT_NE(ErrorNumberOf([&] { m_router.CopyFile("Z:/E-Synvora/new.sql", Local("nowhere/x.sql"), true); }),
              0);
    EXPECT_EQ(ReadTree(m_local.Path()),
              (FileTree{{"folder/", ""}, {"locked.sql", "locked"}, {"old.sql", "old"}}));

    m_router.CopyFile("Z:/E-Synvora/new.sql", Local("old.sql"), true);
    m_router.CopyFile(Local("locked.sql"), "Z:/E-Synvora/caf\u00E9 locked.sql", false);
    EXPECT_EQ(ReadBytes(Local("old.sql")), "new");
    EXPECT_EQ(ReadBytes(Share("E-Synvora/caf\u00E9 locked.sql")), "locked");
    EXPECT_EQ(m_router.Attributes("Z:/E-Synvora/caf\u00E9 locked.sql"),
              kAttributeReadOnly | kAttributeArchive);
}

TEST_F(RoutingFileSystemTest, CopiesBetweenTwoDrivesAndWithinOneDrive) {
    test::TempDir other;
    m_router.MountDrive('y', std::make_shared<LocalFileSystem>(other.Path()));
    WriteTree(Share("E-Synvora/images"), kImages);

    m_router.CopyFolder("Z:/E-Synvora/images", "Y:/images", true);
    m_router.CopyFolder("Z:/E-Synvora/images", "Z:/E-Synvora/images copy", true);
    m_router.CopyFile("Y:/images/logo.gif", "Z:/logo.gif", true);

    EXPECT_EQ(ReadTree(other / "images"), kImages);
    EXPECT_EQ(ReadTree(Share("E-Synvora/images copy")), kImages);
    EXPECT_EQ(ReadBytes(Share("logo.gif")), "GIF89a");
}

TEST_F(RoutingFileSystemTest, RestrictToOwnerReachesTheDriveOrTheLocalDisk) {
    WriteBytes(Share("E-Synvora/secret.sql"), "on the drive");
    ASSERT_EQ(::chmod(Share("E-Synvora/secret.sql").c_str(), 0644), 0);
    WriteBytes(Local("secret.sql"), "here");
    ASSERT_EQ(::chmod(Local("secret.sql").c_str(), 0644), 0);

    m_router.RestrictToOwner("Z:/E-Synvora/secret.sql");
    m_router.RestrictToOwner(Local("secret.sql"));
    m_router.RestrictToOwner("Z:\\E-Synvora\\new.log");

    EXPECT_EQ(PermissionsOf(Share("E-Synvora/secret.sql")), 0600);
    EXPECT_EQ(PermissionsOf(Local("secret.sql")), 0600);
    EXPECT_EQ(PermissionsOf(Share("E-Synvora/new.log")), 0600);
    EXPECT_EQ(ErrorNumberOf([&] { m_router.RestrictToOwner("Y:/secret.sql"); }),
              PlatformError::kDiskNotReady);
}

}  // namespace
}  // namespace synvora
