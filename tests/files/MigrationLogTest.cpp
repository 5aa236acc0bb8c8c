#include <gtest/gtest.h>

#include <filesystem>

#include "files/ErrorCodes.h"
#include "files/MigrationError.h"
#include "files/MigrationLog.h"
#include "support/TempDir.h"

namespace synvora {
namespace {

using test::ReadBytes;

class MigrationLogTest : public ::testing::Test {
protected:
    test::TempDir m_dir;
    test::ScopedCurrentDirectory m_cwd{m_dir.Path()};
    std::string LogBytes() const { return ReadBytes(m_dir / "Migration.log"); }
};

TEST_F(MigrationLogTest, FirstEntryCreatesTheLogWithFourCrLfLines) {
    WriteLog(ErrorCode::kCopyFile, "CopyFile", "Unable to copy file 'a' to 'b'.", false);
    EXPECT_EQ(LogBytes(), "-2147221496 CopyFile\r\nUnable to copy file 'a' to 'b'.\r\n\r\n\r\n");
}

TEST_F(MigrationLogTest, EntriesAreAppendedAfterExistingContent) {
    test::WriteBytes(m_dir / "Migration.log", "older run\r\n");
    WriteLog(ErrorCode::kRunCommand, "RunCommand", "Unable to launch x", false);
    EXPECT_EQ(LogBytes(), "older run\r\n-2147221498 RunCommand\r\nUnable to launch x\r\n\r\n\r\n");
}

TEST_F(MigrationLogTest, RaiseDeliversNumberSourceAndDescriptionAfterTheEntryIsComplete) {
    try {
        WriteLog(ErrorCode::kBuildPath, "BuildPath", "Unable to build path ''.", true);
        FAIL() << "WriteLog did not raise";
    } catch (const MigrationError& error) {
        EXPECT_EQ(error.Number(), -2147221497);
        EXPECT_EQ(error.Source(), "BuildPath");
        EXPECT_EQ(error.Description(), "Unable to build path ''.");
        EXPECT_EQ(LogBytes(), "-2147221497 BuildPath\r\nUnable to build path ''.\r\n\r\n\r\n");
    }
}

TEST_F(MigrationLogTest, MessagesWithLineBreaksAndNonAsciiAreWrittenInTheCodePage) {
    WriteLog(ErrorCode::kTextFound, "TextFound", "line one\r\ncaf\u00E9", false);
    EXPECT_EQ(LogBytes(), "-2147221499 TextFound\r\nline one\r\ncaf\xE9\r\n\r\n\r\n");
}

TEST_F(MigrationLogTest, UnwritableLogStillRaisesTheCallersErrorEvenWithoutRaise) {
    // A folder in place of the log file makes every write fail, also for root.
    ASSERT_TRUE(std::filesystem::create_directory(test::FsPath(m_dir / "Migration.log")));
    try {
        WriteLog(ErrorCode::kCopyFolder, "CopyFile", "Unable to copy Folder 'a' to 'b'.", false);
        FAIL() << "WriteLog swallowed the error";
    } catch (const MigrationError& error) {
        EXPECT_EQ(error.Number(), ErrorCode::kCopyFolder);
        EXPECT_EQ(error.Source(), "CopyFile");
        EXPECT_EQ(error.Description(), "Unable to copy Folder 'a' to 'b'.");
    }
}

}  // namespace
}  // namespace synvora
