#include <gtest/gtest.h>

#include <string>

#include "ClientOutput.h"
#include "files/ErrorCodes.h"
#include "files/MigrationError.h"
#include "support/TempDir.h"

namespace synvora::osql {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

TEST(ClientOutputTest, WritesWindows1252WithCrLfLineEnds) {
    TempDir dir;
    const std::string path = dir / "out.log";
    {
        ClientOutput output = ClientOutput::ToFile(path);
        output.WriteLine("Gr\u00FC\u00DFe \u20AC");
        output.Write("two\nlines\r\n");
        output.Write("not in the code page: \u03A9\n");
        output.Write("1> 2> ");
        output.EndLine();
        output.EndLine();
    }
    EXPECT_EQ(ReadBytes(path),
              "Gr\xFC\xDF"
              "e \x80\r\ntwo\r\nlines\r\nnot in the code page: ?\r\n1> 2> \r\n");
}

TEST(ClientOutputTest, CreatingTheFileEmptiesAnOldOne) {
    TempDir dir;
    const std::string path = dir / "out.log";
    WriteBytes(path, "COMMIT TRANSACTION\r\n");
    {
        ClientOutput output = ClientOutput::ToFile(path);
        EXPECT_EQ(ReadBytes(path), "");
    }
    EXPECT_EQ(ReadBytes(path), "");
}

TEST(ClientOutputTest, FlushWritesWhatIsHeldAndAMovedOutputWritesOnce) {
    TempDir dir;
    const std::string path = dir / "out.log";
    ClientOutput output = ClientOutput::ToFile(path);
    output.WriteLine("first");
    EXPECT_EQ(ReadBytes(path), "");
    output.Flush();
    EXPECT_EQ(ReadBytes(path), "first\r\n");
    output.WriteLine("second");
    { ClientOutput moved(std::move(output)); }
    EXPECT_EQ(ReadBytes(path), "first\r\nsecond\r\n");
}

TEST(ClientOutputTest, LargeOutputIsWrittenOutBeforeTheEnd) {
    TempDir dir;
    const std::string path = dir / "out.log";
    ClientOutput output = ClientOutput::ToFile(path);
    const std::string line(99, 'x');
    for (int i = 0; i < 2000; ++i) {
        output.WriteLine(line);
    }
    const std::size_t written = ReadBytes(path).size();
    EXPECT_GT(written, 0u);
    output.Flush();
    EXPECT_EQ(ReadBytes(path).size(), 2000u * 101u);
}

TEST(ClientOutputTest, FailuresToCreateOrWriteAreReported) {
    TempDir dir;
    WriteBytes(dir / "file", "");
    try {
        ClientOutput::ToFile(dir / "missing/out.log");
        FAIL() << "a file was created in a missing folder";
    } catch (const MigrationError& error) {
        // As each system reports a missing folder on the way.
        EXPECT_TRUE(error.Description() == "File not found" || error.Description() == "Path not found")
            << error.Description();
    }
    EXPECT_THROW(ClientOutput::ToFile(dir / "file/out.log"), MigrationError);

    // Every write to a full device fails with "no space left".
    if (test::FullDevice().empty()) {
        GTEST_SKIP() << "this system has no device that is always full";
    }
    ClientOutput full = ClientOutput::ToFile(test::FullDevice());
    full.WriteLine("lost");
    try {
        full.Flush();
        FAIL() << "the write to a full device succeeded";
    } catch (const MigrationError& error) {
        EXPECT_EQ(error.Number(), ErrorCode::kClientOutput);
        EXPECT_NE(error.Description().find("Disk full"), std::string::npos) << error.Description();
    }
    full.WriteLine("also lost");
    EXPECT_THROW(full.Flush(), MigrationError);
}

}  // namespace
}  // namespace synvora::osql
