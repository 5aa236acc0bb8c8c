#include <gtest/gtest.h>

#include <algorithm>

#include "files/ErrorCodes.h"
#include "files/FileFunctions.h"
#include "files/FileSystem.h"
#include "files/MigrationError.h"
#include "files/Paths.h"
#include "support/FileTree.h"
#include "support/TempDir.h"
#include "support/TestDrive.h"

namespace synvora {
namespace {

using test::FileTree;
using test::ReadBytes;
using test::ReadTree;
using test::WriteBytes;
using test::WriteTree;

// The path with this system's separator ("/" written in the expectations).
std::string Native(std::string path) {
    std::replace(path.begin(), path.end(), '/', kPathSeparator);
    return path;
}

// Runs in a temporary current directory, where Migration.log is written.
class FileFunctionsTest : public ::testing::Test {
protected:
    std::string Path(std::string_view name) const { return m_dir / name; }
    std::string LogBytes() const { return ReadBytes(Path("Migration.log")); }

    // Calls a procedure that must fail and checks the error it raises against the log entry.
    template <typename Call>
    void ExpectLoggedFailure(Call&& call, std::int32_t number, const std::string& source,
                             const std::string& message, const std::string& entry) {
        try {
            call();
            ADD_FAILURE() << "no error raised";
        } catch (const MigrationError& error) {
            EXPECT_EQ(error.Number(), number);
            EXPECT_EQ(error.Source(), source);
            EXPECT_EQ(error.Description(), message);
        }
        EXPECT_EQ(LogBytes(), entry);
    }

    test::TempDir m_dir;
    test::ScopedCurrentDirectory m_cwd{m_dir.Path()};
};

TEST_F(FileFunctionsTest, BuildPathTurnsSeparatorsAndDropsOneTrailingSeparator) {
    EXPECT_EQ(BuildPath("C:\\Program Files\\x\\"), Native("C:/Program Files/x"));
    EXPECT_EQ(BuildPath("C:/Program Files/x/"), Native("C:/Program Files/x"));
    EXPECT_EQ(BuildPath("C:\\inetpub\\E-Synvora/images\\\\"), Native("C:/inetpub/E-Synvora/images/"));
    EXPECT_EQ(BuildPath("D:\\"), "D:");
    EXPECT_EQ(BuildPath("\\"), "");
    EXPECT_EQ(BuildPath("\\\\server\\share\\dir"), Native("//server/share/dir"));
    EXPECT_EQ(BuildPath("Z:\\.\\a\\..\\b c\\caf\u00E9"), Native("Z:/./a/../b c/caf\u00E9"));
    EXPECT_EQ(BuildPath("images"), "images");
    EXPECT_EQ(LogBytes(), "");
}

TEST_F(FileFunctionsTest, BuildPathOfAnEmptyPathLogsAndRaises) {
    ExpectLoggedFailure([] { BuildPath(""); }, -2147221497, "BuildPath", "Unable to build path ''.",
                        "-2147221497 BuildPath\r\nUnable to build path ''.\r\n\r\n\r\n");
}

TEST_F(FileFunctionsTest, CopyFileCopiesWithoutLogging) {
    WriteBytes(Path("migration.sql"), "script");
    WriteBytes(Path("PelluxDest.sql"), "previous run");

    CopyFile(Path("migration.sql"), Path("PelluxDest.sql"), true);

    EXPECT_EQ(ReadBytes(Path("PelluxDest.sql")), "script");
    EXPECT_EQ(LogBytes(), "");
}

TEST_F(FileFunctionsTest, CopyFileFailureOntoAReadOnlyFileLogsTheEntryByteForByte) {
    WriteBytes(Path("a.sql"), "new");
    WriteBytes(Path("b.sql"), "old");
    test::MakeReadOnly(Path("b.sql"));
    const std::string message = "Unable to copy file '" + Path("a.sql") + "' to '" + Path("b.sql") + "'.";

    ExpectLoggedFailure([&] { CopyFile(Path("a.sql"), Path("b.sql"), true); }, -2147221496, "CopyFile",
                        message, "-2147221496 CopyFile\r\n" + message + "\r\n\r\n\r\n");
    EXPECT_EQ(ReadBytes(Path("b.sql")), "old");
}

TEST_F(FileFunctionsTest, CopyFileFailureWritesNonAsciiPathsInTheCodePage) {
    ExpectLoggedFailure([] { CopyFile("caf\u00E9.sql", "b.sql", true); }, ErrorCode::kCopyFile, "CopyFile",
                        "Unable to copy file 'caf\u00E9.sql' to 'b.sql'.",
                        "-2147221496 CopyFile\r\nUnable to copy file 'caf\xE9.sql' to 'b.sql'.\r\n\r\n\r\n");
}

TEST_F(FileFunctionsTest, CopyFolderFailureLogsUnderTheSourceNameCopyFile) {
    const std::string message = "Unable to copy Folder 'C:/old/images' to '" + Path("new") + "'.";
    ExpectLoggedFailure([&] { CopyFolder("C:/old/images", Path("new"), true); }, -2147221495, "CopyFile",
                        message, "-2147221495 CopyFile\r\n" + message + "\r\n\r\n\r\n");
    EXPECT_FALSE(FolderExists(Path("new")));
}

// The first file that failed and why, in an entry of its own before the folder's.
TEST_F(FileFunctionsTest, CopyFolderGoesAsFarAsItCanThenLogsItsCauseAndItsEntry) {
    WriteTree(Path("old/images"), {{"a.gif", "new a"}, {"b.gif", "new b"}, {"sub/c.gif", "new c"}});
    WriteTree(Path("new/images"), {{"b.gif", "old b"}});
    test::MakeReadOnly(Path("new/images/b.gif"));
    const std::string message =
        "Unable to copy Folder '" + Path("old/images") + "' to '" + Path("new/images") + "'.";

    ExpectLoggedFailure([&] { CopyFolder(Path("old/images"), Path("new/images"), true); },
                        ErrorCode::kCopyFolder, "CopyFile", message,
                        "70 FileSystem\r\nThe file 'b.gif' was not copied: the file at the destination is "
                        "read-only.\r\n\r\n\r\n-2147221495 CopyFile\r\n" +
                            message + "\r\n\r\n\r\n");
    EXPECT_EQ(ReadTree(Path("new/images")),
              (FileTree{{"a.gif", "new a"}, {"b.gif", "old b"}, {"sub/c.gif", "new c"}}));
}

TEST_F(FileFunctionsTest, CreateFolderCreatesParentsAndLogsUnderCopyFileWhenItCannot) {
    CreateFolder(Path("Synvora/E-Synvora/XMLTemplate"));
    EXPECT_TRUE(FolderExists(Path("Synvora/E-Synvora/XMLTemplate")));
    EXPECT_EQ(LogBytes(), "");

    WriteBytes(Path("blocked"), "a file");
    const std::string message = "Unable to create folder. " + Path("blocked/sub");
    ExpectLoggedFailure([&] { CreateFolder(Path("blocked/sub")); }, -2147221494, "CopyFile", message,
                        "-2147221494 CopyFile\r\n" + message + "\r\n\r\n\r\n");
}

TEST_F(FileFunctionsTest, FolderExistsAnswersFalseForAnythingButAFolderAndNeverLogs) {
    WriteTree(m_dir.Path(), {{"folder/file", "x"}});

    EXPECT_TRUE(FolderExists(Path("folder")));
    EXPECT_FALSE(FolderExists(Path("folder/file")));
    EXPECT_FALSE(FolderExists(Path("folder/file/below")));
    EXPECT_FALSE(FolderExists(Path("missing")));
    EXPECT_FALSE(FolderExists(""));
    EXPECT_FALSE(FolderExists("Q:/not mounted"));
    EXPECT_FALSE(FolderExists(std::string(100000, 'x')));
    EXPECT_EQ(LogBytes(), "");
}

TEST_F(FileFunctionsTest, TheWebJobsCopyFromAMappedDriveWorksThroughTheProcessWideFileSystem) {
    const test::TestDrive drive;
    WriteTree(drive.Folder(),
              {{"inetpub/E-Synvora/images/a.gif", "a"}, {"inetpub/E-Synvora/images/s/b.gif", "b"}});
    const std::string source = BuildPath(drive.Letter() + "\\inetpub\\E-Synvora/images\\");
    const std::string destination = BuildPath(Path("Synvora/E-Synvora/images/"));

    ASSERT_TRUE(FolderExists(source));
    ASSERT_FALSE(FolderExists(destination));
    CreateFolder(destination);
    CopyFolder(source, destination, true);

    EXPECT_EQ(ReadTree(destination), (FileTree{{"a.gif", "a"}, {"s/b.gif", "b"}}));
    EXPECT_EQ(LogBytes(), "");

    // A drive letter with nothing behind it, as after the drive was released.
    const std::string gone = BuildPath("Q:\\inetpub\\E-Synvora/images");
    EXPECT_FALSE(FolderExists(gone));
    const std::string message = "Unable to copy Folder '" + gone + "' to '" + destination + "'.";
    ExpectLoggedFailure([&] { CopyFolder(gone, destination, true); }, ErrorCode::kCopyFolder, "CopyFile",
                        message, "-2147221495 CopyFile\r\n" + message + "\r\n\r\n\r\n");
}

}  // namespace
}  // namespace synvora
