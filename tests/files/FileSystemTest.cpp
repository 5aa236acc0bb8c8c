// The file system of this machine through its interface, as the program sees it on either system;
// what only one system has is tested in posix/ and win32/.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <thread>

#include "files/ErrorCodes.h"
#include "files/FileSystem.h"
#include "support/FileTree.h"
#include "support/TempDir.h"
#include "support/WebContent.h"

namespace synvora {
namespace {

using test::ErrorNumberOf;
using test::FileTree;
using test::ReadBytes;
using test::ReadTree;
using test::WriteBytes;
using test::WriteTree;
namespace fs = std::filesystem;

class FileSystemTest : public ::testing::Test {
protected:
    std::string Path(std::string_view name) const { return m_dir / name; }
    void MakeReadOnly(std::string_view name) const { test::MakeReadOnly(Path(name)); }
    bool IsReadOnly(std::string_view name) const {
        return (m_fs.Attributes(Path(name)) & kAttributeReadOnly) != 0;
    }

    test::TempDir m_dir;
    FileSystem& m_fs = TheFileSystem();
};

// ---- CopyFile ----

TEST_F(FileSystemTest, CopyFileCopiesBytesAndKeepsTheReadOnlyAttribute) {
    std::string big(3 * 1024 * 1024 + 17, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) {
        big[i] = static_cast<char>((i * 7919) % 251);
    }
    WriteBytes(Path("big.bin"), big);
    WriteBytes(Path("empty.txt"), "");
    WriteBytes(Path("locked.txt"), "locked");
    MakeReadOnly("locked.txt");

    m_fs.CopyFile(Path("big.bin"), Path("big copy.bin"), false);
    m_fs.CopyFile(Path("empty.txt"), Path("empty copy.txt"), false);
    m_fs.CopyFile(Path("locked.txt"), Path("locked copy.txt"), false);

    EXPECT_EQ(ReadBytes(Path("big copy.bin")), big);
    EXPECT_EQ(ReadBytes(Path("empty copy.txt")), "");
    EXPECT_EQ(ReadBytes(Path("locked copy.txt")), "locked");
    EXPECT_EQ(m_fs.Attributes(Path("locked copy.txt")), kAttributeReadOnly | kAttributeArchive);
}

TEST_F(FileSystemTest, CopyFileReplacesAnExistingDestinationOnlyWithOverwrite) {
    WriteBytes(Path("new.sql"), "new");
    WriteBytes(Path("old.sql"), "old");

    EXPECT_EQ(ErrorNumberOf([&] { m_fs.CopyFile(Path("new.sql"), Path("old.sql"), false); }),
              PlatformError::kFileAlreadyExists);
    EXPECT_EQ(ReadBytes(Path("old.sql")), "old");

    m_fs.CopyFile(Path("new.sql"), Path("old.sql"), true);
    EXPECT_EQ(ReadBytes(Path("old.sql")), "new");
    EXPECT_EQ(ReadTree(m_dir.Path()), (FileTree{{"new.sql", "new"}, {"old.sql", "new"}}));
}

TEST_F(FileSystemTest, CopyFileNeverReplacesAReadOnlyDestinationEvenForRoot) {
    WriteBytes(Path("new.sql"), "new");
    WriteBytes(Path("old.sql"), "old");
    MakeReadOnly("old.sql");

    EXPECT_EQ(ErrorNumberOf([&] { m_fs.CopyFile(Path("new.sql"), Path("old.sql"), true); }),
              PlatformError::kPermissionDenied);
    EXPECT_EQ(ReadTree(m_dir.Path()), (FileTree{{"new.sql", "new"}, {"old.sql", "old"}}));
}

TEST_F(FileSystemTest, CopyFileFailsForMissingSourceFolderSourceAndFolderDestination) {
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

TEST_F(FileSystemTest, CopyFileHandlesBlanksAndNamesBeyondTheCodePage) {
    WriteTree(m_dir.Path(),
              {{"Program Files/caf\u00E9 \u00FC \u5199\u771F.txt", "\xE9t\xE9"}, {"E-Synvora/", ""}});

    m_fs.CopyFile(Path("Program Files/caf\u00E9 \u00FC \u5199\u771F.txt"),
                  Path("E-Synvora/r\u00E9sum\u00E9 1.txt"), false);

    EXPECT_EQ(ReadBytes(Path("E-Synvora/r\u00E9sum\u00E9 1.txt")), "\xE9t\xE9");
    EXPECT_TRUE(m_fs.FileExists(Path("Program Files/caf\u00E9 \u00FC \u5199\u771F.txt")));
}

// ---- CopyFolder ----

const FileTree kImages = {
    {"logo.gif", "GIF89a"},
    {"buttons/ok.png", "ok"},
    {"buttons/cancel.png", "cancel"},
    {"buttons/hover/ok.png", "hover"},
    {"empty/", ""},
};

TEST_F(FileSystemTest, CopyFolderCreatesTheDestinationWithParentsAndCopiesTheWholeTree) {
    WriteTree(Path("old/images"), kImages);
    MakeReadOnly("old/images/buttons/ok.png");

    m_fs.CopyFolder(Path("old/images"), Path("new/E-Synvora/images"), true);

    // The content lands directly in the named folder, not in new/E-Synvora/images/images.
    EXPECT_EQ(ReadTree(Path("new/E-Synvora/images")), kImages);
    EXPECT_TRUE(IsReadOnly("new/E-Synvora/images/buttons/ok.png"));
    EXPECT_FALSE(IsReadOnly("new/E-Synvora/images/logo.gif"));
    EXPECT_EQ(ReadTree(Path("old/images")), kImages);
}

TEST_F(FileSystemTest, CopyFolderMergesIntoAnExistingFolder) {
    WriteTree(Path("old"), {{"a.xml", "new a"}, {"sub/b.xml", "new b"}});
    WriteTree(Path("new"), {{"a.xml", "old a"}, {"keep.xml", "keep"}, {"sub/keep.xml", "keep sub"}});

    m_fs.CopyFolder(Path("old"), Path("new"), true);

    EXPECT_EQ(
        ReadTree(Path("new")),
        (FileTree{
            {"a.xml", "new a"}, {"keep.xml", "keep"}, {"sub/b.xml", "new b"}, {"sub/keep.xml", "keep sub"}}));
}

TEST_F(FileSystemTest, CopyFolderWithoutOverwriteKeepsExistingFilesCopiesTheRestAndFails) {
    WriteTree(Path("old"), {{"a.xml", "new a"}, {"b.xml", "new b"}});
    WriteTree(Path("new"), {{"a.xml", "old a"}});

    EXPECT_EQ(ErrorNumberOf([&] { m_fs.CopyFolder(Path("old"), Path("new"), false); }),
              PlatformError::kFileAlreadyExists);
    EXPECT_EQ(ReadTree(Path("new")), (FileTree{{"a.xml", "old a"}, {"b.xml", "new b"}}));
}

TEST_F(FileSystemTest, CopyFolderGoesOnPastAReadOnlyDestinationFileAndThenFails) {
    WriteTree(Path("old"), {{"a.xml", "new a"}, {"m.xml", "new m"}, {"z/z.xml", "new z"}});
    WriteTree(Path("new"), {{"m.xml", "old m"}});
    MakeReadOnly("new/m.xml");

    EXPECT_EQ(ErrorNumberOf([&] { m_fs.CopyFolder(Path("old"), Path("new"), true); }),
              PlatformError::kPermissionDenied);
    // Nothing half-written and no temporary left: every file is either old or complete.
    EXPECT_EQ(ReadTree(Path("new")),
              (FileTree{{"a.xml", "new a"}, {"m.xml", "old m"}, {"z/z.xml", "new z"}}));
}

TEST_F(FileSystemTest, CopyFolderReportsAFileWhereAFolderShouldBeAndCopiesTheRest) {
    WriteTree(Path("old"), {{"a.xml", "a"}, {"sub/b.xml", "b"}});
    WriteTree(Path("new"), {{"sub", "a file"}});

    EXPECT_NE(ErrorNumberOf([&] { m_fs.CopyFolder(Path("old"), Path("new"), true); }), 0);
    EXPECT_EQ(ReadTree(Path("new")), (FileTree{{"a.xml", "a"}, {"sub", "a file"}}));
}

TEST_F(FileSystemTest, CopyFolderFailsWithoutCopyingWhenSourceOrDestinationIsWrong) {
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

// ---- CreateFolder and the streaming calls ----

TEST_F(FileSystemTest, CreateFolderCreatesParentsAcceptsAnExistingFolderAndRefusesAFile) {
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

TEST_F(FileSystemTest, AFileWriterLeavesNothingUnlessCommittedAndCommitsWithoutReplacing) {
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
    auto locked = m_fs.CreateFileWriter(Path("locked.txt"));
    locked->SetModificationTime({981173106, 123456700});
    locked->Commit(0444, false);

    EXPECT_EQ(ReadTree(m_dir.Path()),
              (FileTree{{"done.txt", "done"}, {"existing.txt", "old"}, {"locked.txt", ""}}));
    EXPECT_FALSE(IsReadOnly("done.txt"));
    EXPECT_TRUE(IsReadOnly("locked.txt"));
    EXPECT_EQ(m_fs.Inspect(Path("locked.txt"))->modified, (FileTime{981173106, 123456700}));
}

TEST_F(FileSystemTest, TwoThreadsFillOneFileAtTheirOffsetsAndAReaderStartsWhereItIsTold) {
    // A large file's two halves, read side by side, written at once in pieces from two threads.
    const std::string content = test::RandomBytes((3 << 20) + 11, 7);
    const std::size_t half = (1 << 20) + (1 << 16);
    const auto writer = m_fs.CreateFileWriter(Path("large.bin"));
    ASSERT_TRUE(writer->WritesAtOffsets());
    const auto fill = [&](std::size_t from, std::size_t to) {
        for (std::size_t at = from; at < to; at += 100000) {
            writer->WriteAt(at, std::string_view(content).substr(at, std::min<std::size_t>(100000, to - at)));
        }
    };
    std::thread second(fill, half, content.size());
    fill(0, half);
    second.join();
    writer->Commit(0644, false);
    EXPECT_TRUE(ReadBytes(Path("large.bin")) == content);

    const auto reader = m_fs.OpenForReading(Path("large.bin"));
    reader->StartAt(half);
    std::string tail(content.size(), '\0');
    tail.resize(reader->Read(tail));
    EXPECT_TRUE(tail == content.substr(half));
}

TEST_F(FileSystemTest, InspectAndListFolderDescribeWhatIsThere) {
    WriteTree(Path("f"), {{"a.txt", "abc"}, {"sub/", ""}, {"sub/b.txt", "b"}});

    EXPECT_FALSE(m_fs.Inspect(Path("missing")).has_value());
    EXPECT_FALSE(m_fs.Inspect(Path("f/a.txt/below")).has_value());
    const auto file = m_fs.Inspect(Path("f/a.txt"));
    ASSERT_TRUE(file.has_value());
    EXPECT_FALSE(file->IsFolder());
    EXPECT_EQ(file->size, 3u);
    const auto folder = m_fs.Inspect(Path("f/sub"));
    ASSERT_TRUE(folder.has_value());
    EXPECT_TRUE(folder->IsFolder());

    std::map<std::string, FolderEntry> entries;
    for (FolderEntry& entry : m_fs.ListFolder(Path("f"))) {
        entries[entry.name] = entry;
    }
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_FALSE(entries["a.txt"].isFolder);
    EXPECT_EQ(entries["a.txt"].size, 3u);
    EXPECT_EQ(entries["a.txt"].modified, file->modified);
    EXPECT_TRUE(entries["sub"].isFolder);
    // The identity that tells a link back into a folder being copied.
    EXPECT_TRUE(entries["sub"].identity.Known());
    EXPECT_EQ(entries["sub"].identity, folder->identity);
    EXPECT_NE(entries["sub"].identity, m_fs.Inspect(Path("f"))->identity);
}

// ---- RestrictToOwner ----

TEST_F(FileSystemTest, RestrictToOwnerKeepsContentMakesWritableAndCreatesWhatIsMissing) {
    WriteBytes(Path("script.sql"), "secret");
    WriteBytes(Path("locked.sql"), "locked");
    MakeReadOnly("locked.sql");

    m_fs.RestrictToOwner(Path("script.sql"));
    m_fs.RestrictToOwner(Path("locked.sql"));
    m_fs.RestrictToOwner(Path("new.log"));

    EXPECT_EQ(ReadBytes(Path("script.sql")), "secret");
    // A read-only copy is made writable: the program fills it next, and a read-only one (attribute
    // 33) would silently keep its placeholders.
    EXPECT_EQ(ReadBytes(Path("locked.sql")), "locked");
    EXPECT_EQ(m_fs.Attributes(Path("locked.sql")), kAttributeArchive);
    EXPECT_TRUE(m_fs.FileExists(Path("new.log")));
    EXPECT_EQ(ReadBytes(Path("new.log")), "");
    m_fs.AppendToFile(Path("new.log"), "output");
    EXPECT_EQ(ReadBytes(Path("new.log")), "output");
}

TEST_F(FileSystemTest, RestrictToOwnerRefusesFoldersMissingFoldersAndEmptyPaths) {
    WriteTree(m_dir.Path(), {{"sub/", ""}});

    EXPECT_NE(ErrorNumberOf([&] { m_fs.RestrictToOwner(Path("sub")); }), 0);
    EXPECT_TRUE(m_fs.FolderExists(Path("sub")));
    EXPECT_EQ(ErrorNumberOf([&] { m_fs.RestrictToOwner(Path("missing/a.log")); }),
              PlatformError::kFileNotFound);
    EXPECT_EQ(ErrorNumberOf([&] { m_fs.RestrictToOwner(""); }), PlatformError::kFileNotFound);
    EXPECT_FALSE(fs::exists(Path("missing")));
}

}  // namespace
}  // namespace synvora
