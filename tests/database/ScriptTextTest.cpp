#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "database/ScriptText.h"
#include "files/ErrorCodes.h"
#include "files/FileSystem.h"
#include "files/MigrationError.h"
#include "support/TempDir.h"

namespace synvora {
namespace {

using test::ReadBytes;
using test::WriteBytes;

const std::string kGetSearchTextEntry =
    "-2147221499 GetSearchText\r\nUnable to prepare the SQL script!\r\n\r\n\r\n";
const std::string kSearchTextEntry =
    "-2147221500 SearchText\r\nUnable to prepare the SQL script!\r\n\r\n\r\n";

std::string Repeat(const std::string& text, int times) {
    std::string result;
    for (int i = 0; i < times; ++i) {
        result += text;
    }
    return result;
}

class ScriptTextTest : public ::testing::Test {
protected:
    void SetUp() override { ResetScriptTextState(); }
    void TearDown() override { ResetScriptTextState(); }

    std::string Script(const std::string& content) const {
        const std::string path = m_dir / "PelluxDest.sql";
        WriteBytes(path, content);
        return path;
    }
    std::string LogBytes() const { return ReadBytes(m_dir / "Migration.log"); }
    bool LogExists() const { return std::filesystem::exists(test::FsPath(m_dir / "Migration.log")); }

    /// Runs GetSearchText and expects it to fail with its own error.
    void ExpectGetSearchTextFails(const std::string& path, const std::string& search,
                                  const std::string& replacement) {
        try {
            GetSearchText(path, search, replacement);
            ADD_FAILURE() << "GetSearchText did not raise";
        } catch (const MigrationError& error) {
            EXPECT_EQ(error.Number(), ErrorCode::kGetSearchText);
            EXPECT_EQ(error.Source(), "GetSearchText");
            EXPECT_EQ(error.Description(), "Unable to prepare the SQL script!");
        }
    }

    test::TempDir m_dir;
    test::ScopedCurrentDirectory m_cwd{m_dir.Path()};
};

// --- replacement within a line -------------------------------------------------------------

TEST_F(ScriptTextTest, BothOccurrencesAtPositionsFourAndNineteenAreReplaced) {
    const std::string line = "abcSourceServerxyzSourceServer";
    ASSERT_EQ(line.size(), 30u);
    ASSERT_EQ(line.find("SourceServer"), 3u);
    ASSERT_EQ(line.rfind("SourceServer"), 18u);

    const std::string path = Script(line);
    GetSearchText(path, "SourceServer", "X");
    EXPECT_EQ(ReadBytes(path), "abcXxyzX\r\n");

    const std::string longPath = Script(line);
    const std::string replacement(31, 'R');
    GetSearchText(longPath, "SourceServer", replacement);
    const std::string expected = "abc" + replacement + "xyz" + replacement;
    EXPECT_EQ(expected.size(), 68u);
    EXPECT_EQ(ReadBytes(longPath), expected + "\r\n");
    EXPECT_FALSE(LogExists());
}

TEST_F(ScriptTextTest, InsertedTextIsNeverSearchedAgainAndMatchesDoNotOverlap) {
    SearchText("SourceServer", "SourceServer", "XSourceServer");
    EXPECT_EQ(ReplacedText(), "XSourceServer");

    SearchText("aaaaa", "aa", "a");
    EXPECT_EQ(ReplacedText(), "aaa");

    SearchText("SourceServerSourceServer", "SourceServer", "");
    EXPECT_EQ(ReplacedText(), "");

    const std::string path = Script("SourceServer\r\nnothing\r\nSourceServer");
    GetSearchText(path, "SourceServer", "XSourceServer");
    EXPECT_EQ(ReadBytes(path), "XSourceServer\r\nnothing\r\nXSourceServer\r\n");
}

TEST_F(ScriptTextTest, ComparisonIsCaseSensitive) {
    SearchText("sourceserver SOURCESERVER", "SourceServer", "X");
    EXPECT_EQ(ReplacedText(), "sourceserver SOURCESERVER");
    EXPECT_FALSE(TextReplaced());

    const std::string path = Script("DestinationDatabase\r\nDestinationDataBase\r\n");
    GetSearchText(path, "DestinationDataBase", "db");
    EXPECT_EQ(ReadBytes(path), "DestinationDatabase\r\ndb\r\n\r\n");
}

TEST_F(ScriptTextTest, SearchTextSetsTheFlagButNeverClearsIt) {
    SearchText("one SourceUser", "SourceUser", "sa");
    EXPECT_TRUE(TextReplaced());
    EXPECT_EQ(ReplacedText(), "one sa");
    SearchText("nothing here", "SourceUser", "sa");
    EXPECT_TRUE(TextReplaced());
    EXPECT_EQ(ReplacedText(), "nothing here");
}

// --- files that stay untouched -------------------------------------------------------------

TEST_F(ScriptTextTest, FileWithoutTheSearchTextIsNotRewritten) {
    const std::string content = "SELECT 1\r\nGO\r\n";
    const std::string path = Script(content);
    const FileTime old = {1000000000, 0};
    test::SetModificationTime(path, old);

    GetSearchText(path, "SourcePassword", "secret");

    const auto info = TheFileSystem().Inspect(path);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->modified, old);
    EXPECT_EQ(info->size, content.size());
    EXPECT_EQ(ReadBytes(path), content);
    EXPECT_FALSE(LogExists());
}

TEST_F(ScriptTextTest, ReadOnlyArchiveFileIsReadButNotRewrittenAndNoFailure) {
    const std::string content = "USE SourceDatabase\r\n";
    const std::string path = Script(content);
    test::MakeReadOnly(path);

    EXPECT_NO_THROW(GetSearchText(path, "SourceDatabase", "old"));

    EXPECT_EQ(ReadBytes(path), content);
    EXPECT_FALSE(TextReplaced());
    EXPECT_FALSE(LogExists());
}

// --- CR LF pieces --------------------------------------------------------------------------

TEST_F(ScriptTextTest, EveryRewriteEndsEachPieceWithCrLfSoAFinalCrLfGrows) {
    const std::string path = Script("EXEC SourceServer\r\n");
    GetSearchText(path, "SourceServer", "old");
    EXPECT_EQ(ReadBytes(path), "EXEC old\r\n\r\n");
    GetSearchText(path, "old", "new");
    EXPECT_EQ(ReadBytes(path), "EXEC new\r\n\r\n\r\n");
}

TEST_F(ScriptTextTest, LoneCrAndLfDoNotDivideAndSurviveTheRewrite) {
    const std::string path = Script("a\rSourceUser\nb\n\rc");
    GetSearchText(path, "SourceUser", "sa");
    EXPECT_EQ(ReadBytes(path), "a\rsa\nb\n\rc\r\n");
}

TEST_F(ScriptTextTest, ThreeThousandAndOnePiecesAreProcessed) {
    // 3000 lines ended by CR LF and a last one without: 3001 pieces.
    const std::string path = Script(Repeat("x\r\n", 3000) + "SourceServer");
    GetSearchText(path, "SourceServer", "srv");
    EXPECT_EQ(ReadBytes(path), Repeat("x\r\n", 3000) + "srv\r\n");
    EXPECT_FALSE(LogExists());
}

TEST_F(ScriptTextTest, ThreeThousandAndTwoPiecesFailWithNothingRewritten) {
    // 3001 lines all ended by CR LF: the empty last piece is the 3002nd.
    const std::string content = Repeat("SourceServer\r\n", 3001);
    const std::string path = Script(content);
    ExpectGetSearchTextFails(path, "SourceServer", "srv");
    EXPECT_EQ(ReadBytes(path), content);
    EXPECT_EQ(LogBytes(), kGetSearchTextEntry);
}

TEST_F(ScriptTextTest, FlagLeftByAFailedPassMakesTheNextPassRewriteItsFile) {
    const std::string tooLong = Script(Repeat("SourceServer\r\n", 3001));
    ExpectGetSearchTextFails(tooLong, "SourceServer", "srv");
    EXPECT_TRUE(TextReplaced()) << "the pieces before the failure were replaced";

    const std::string other = m_dir / "other.sql";
    WriteBytes(other, "no placeholder\r\n");
    GetSearchText(other, "SourceServer", "srv");
    EXPECT_EQ(ReadBytes(other), "no placeholder\r\n\r\n");
    EXPECT_FALSE(TextReplaced());

    GetSearchText(other, "SourceServer", "srv");
    EXPECT_EQ(ReadBytes(other), "no placeholder\r\n\r\n") << "flag cleared: no further rewrite";
}

// --- failures and their log entries --------------------------------------------------------

TEST_F(ScriptTextTest, EmptyOrMissingFileFailsWithOneEntry) {
    const std::string empty = Script("");
    ExpectGetSearchTextFails(empty, "SourceServer", "srv");
    EXPECT_EQ(ReadBytes(empty), "");
    EXPECT_EQ(LogBytes(), kGetSearchTextEntry);

    ExpectGetSearchTextFails(m_dir / "missing.sql", "SourceServer", "srv");
    EXPECT_EQ(LogBytes(), kGetSearchTextEntry + kGetSearchTextEntry);
}

TEST_F(ScriptTextTest, EmptySearchTextFailsInSearchTextFirstThenGetSearchText) {
    const std::string content = "SELECT 1\r\n";
    const std::string path = Script(content);
    ExpectGetSearchTextFails(path, "", "x");
    EXPECT_EQ(LogBytes(), kSearchTextEntry + kGetSearchTextEntry);
    EXPECT_EQ(ReadBytes(path), content);
    EXPECT_FALSE(TextReplaced());
}

TEST_F(ScriptTextTest, FolderInPlaceOfTheFileFails) {
    ExpectGetSearchTextFails(m_dir.Path(), "SourceServer", "srv");
    EXPECT_EQ(LogBytes(), kGetSearchTextEntry);
}

// --- encoding ------------------------------------------------------------------------------

TEST_F(ScriptTextTest, CodePageBytesSurviveARewriteByteForByte) {
    std::string everyHighByte;
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        everyHighByte.push_back(static_cast<char>(byte));
    }
    const std::string path =
        Script("-- caf\xE9 " + everyHighByte + "\r\nUSE SourceDatabase\r\n" + everyHighByte);
    GetSearchText(path, "SourceDatabase", "Z\u00FCrich\u20AC");
    EXPECT_EQ(ReadBytes(path),
              "-- caf\xE9 " + everyHighByte + "\r\nUSE Z\xFCrich\x80\r\n" + everyHighByte + "\r\n");
}

TEST_F(ScriptTextTest, PlaceholderWrittenInTheCodePageIsFound) {
    const std::string path = Script(
        "name = 'Gr\xFC\xDF"
        "e'\r\n");
    GetSearchText(path,
                  "Gr\u00FC\u00DF"
                  "e",
                  "Hallo");
    EXPECT_EQ(ReadBytes(path), "name = 'Hallo'\r\n\r\n");
}

// --- searching the output file -------------------------------------------------------------

TEST(SearchForTextTest, AnswersContainmentWithTheEmptyTextRules) {
    EXPECT_TRUE(SearchForText("BEGIN COMMIT TRANSACTION", "COMMIT TRANSACTION"));
    EXPECT_TRUE(SearchForText("COMMIT TRANSACTION", "COMMIT TRANSACTION"));
    EXPECT_FALSE(SearchForText("COMMIT TRANSACTIO", "COMMIT TRANSACTION"));
    EXPECT_FALSE(SearchForText("commit transaction", "COMMIT TRANSACTION"));
    EXPECT_TRUE(SearchForText("x", ""));
    EXPECT_FALSE(SearchForText("", ""));
    EXPECT_FALSE(SearchForText("", "a"));
}

class TextFoundTest : public ScriptTextTest {
protected:
    std::string Output(const std::string& content) const {
        const std::string path = m_dir / "PelluxDest.log";
        WriteBytes(path, content);
        return path;
    }
    void ExpectTextFoundFails(const std::string& path, const std::string& description) {
        try {
            TextFound(path, "COMMIT TRANSACTION");
            ADD_FAILURE() << "TextFound did not raise";
        } catch (const MigrationError& error) {
            EXPECT_EQ(error.Number(), ErrorCode::kTextFound);
            EXPECT_EQ(error.Source(), "TextFound");
            EXPECT_EQ(error.Description(), description);
        }
    }
};

TEST_F(TextFoundTest, FindsTheTextWithinOnePieceOnly) {
    const std::string path = Output("1> 2> (1 row affected)\r\nxx COMMIT TRANSACTION\r\n3> ");
    EXPECT_TRUE(TextFound(path, "COMMIT TRANSACTION"));
    EXPECT_FALSE(TextFound(path, "commit transaction"));
    EXPECT_FALSE(TextFound(path, "affected)\r\nxx")) << "a text holding CR LF is never found";
    EXPECT_FALSE(TextFound(path, "ROLLBACK"));

    const std::string lineFeeds = Output("COMMIT\nTRANSACTION\r\n");
    EXPECT_TRUE(TextFound(lineFeeds, "COMMIT\nTRANSACTION")) << "a lone LF does not divide";
    EXPECT_FALSE(LogExists());
}

TEST_F(TextFoundTest, EmptySearchTextIsFoundOnlyInANonEmptyPiece) {
    EXPECT_FALSE(TextFound(Output("\r\n\r\n"), ""));
    EXPECT_TRUE(TextFound(Output("\r\n \r\n"), ""));
}

TEST_F(TextFoundTest, EmptyOrMissingFileFailsWithTheDescriptionOfTheCause) {
    ExpectTextFoundFails(Output(""), "Input past end of file");
    EXPECT_EQ(LogBytes(), "-2147221499 TextFound\r\nInput past end of file\r\n\r\n\r\n");

    ExpectTextFoundFails(m_dir / "absent.log", "File not found");
    EXPECT_EQ(LogBytes(),
              "-2147221499 TextFound\r\nInput past end of file\r\n\r\n\r\n"
              "-2147221499 TextFound\r\nFile not found\r\n\r\n\r\n");
}

}  // namespace
}  // namespace synvora
