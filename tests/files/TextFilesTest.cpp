#include <gtest/gtest.h>

#include "files/ErrorCodes.h"
#include "files/FileSystem.h"
#include "files/TextFiles.h"
#include "support/FileTree.h"
#include "support/TempDir.h"
#include "support/TestDrive.h"

namespace synvora {
namespace {

using test::ErrorNumberOf;
using test::ReadBytes;
using test::WriteBytes;

class TextFilesTest : public ::testing::Test {
protected:
    test::TempDir m_dir;
};

TEST_F(TextFilesTest, TextIsWindows1252OnDiskAndUtf8InMemory) {
    FileSystem& fs = TheFileSystem();
    const std::string path = m_dir / "PelluxDest.sql";

    RewriteText(fs, path, "caf\u00E9\r\n\u20AC");
    EXPECT_EQ(ReadBytes(path), "caf\xE9\r\n\x80");
    EXPECT_EQ(ReadAllText(fs, path), "caf\u00E9\r\n\u20AC");

    AppendText(fs, path, "\r\n\u00E9t\u00E9");
    EXPECT_EQ(ReadBytes(path), "caf\xE9\r\n\x80\r\n\xE9t\xE9");
    EXPECT_EQ(ReadAllText(fs, path), "caf\u00E9\r\n\u20AC\r\n\u00E9t\u00E9");
}

TEST_F(TextFilesTest, TextFilesOnAMappedDriveUseTheSameEncoding) {
    const test::TestDrive drive;
    FileSystem& fs = TheFileSystem();

    CreateTextFile(fs, drive.Letter() + "\\caf\u00E9.log");
    AppendText(fs, drive.Letter() + "\\caf\u00E9.log", "\u00E9");
    EXPECT_EQ(ReadBytes(drive.Folder() + "/caf\u00E9.log"), "\xE9");
    EXPECT_EQ(ReadAllText(fs, drive.Letter() + "/caf\u00E9.log"), "\u00E9");
}

TEST_F(TextFilesTest, ReadingTheWholeOfAnEmptyFileFails) {
    WriteBytes(m_dir / "empty.log", "");
    EXPECT_EQ(ErrorNumberOf([&] { ReadAllText(TheFileSystem(), m_dir / "empty.log"); }),
              PlatformError::kInputPastEndOfFile);
}

}  // namespace
}  // namespace synvora
