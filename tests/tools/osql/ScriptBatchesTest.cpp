#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ScriptBatches.h"

namespace synvora::osql {
namespace {

std::vector<std::string> Texts(std::string_view script) {
    std::vector<std::string> texts;
    for (const ScriptBatch& batch : SplitIntoBatches(script)) {
        texts.emplace_back(batch.text);
    }
    return texts;
}

using Texts_ = std::vector<std::string>;

TEST(ScriptBatchesTest, GoLinesInAnyCaseAndWithBlanksDivide) {
    EXPECT_EQ(Texts("SELECT 1\r\nGO\r\nSELECT 2\r\ngo\r\nSELECT 3\r\n Go \t\r\nSELECT 4\n\tgO\nSELECT 5"),
              (Texts_{"SELECT 1\r\n", "SELECT 2\r\n", "SELECT 3\r\n", "SELECT 4\n", "SELECT 5"}));
}

TEST(ScriptBatchesTest, GoThatIsNotAloneOnItsLineDoesNotDivide) {
    EXPECT_EQ(Texts("SELECT 'GO'\nGO;\nGOTO x\n-- GO\nGO 2\nGOGO\nG O\n"),
              (Texts_{"SELECT 'GO'\nGO;\nGOTO x\n-- GO\nGO 2\nGOGO\nG O\n"}));
}

TEST(ScriptBatchesTest, GoInsideCommentsAndQuotesDoesNotDivide) {
    EXPECT_EQ(Texts("SELECT 1 /* a\nGO\n*/\nGO\nSELECT 2"), (Texts_{"SELECT 1 /* a\nGO\n*/\n", "SELECT 2"}));
    // Block comments nest; the GO after the inner end is still inside the outer comment.
    EXPECT_EQ(Texts("/* /* */\nGO\n*/ SELECT 1\nGO\n"), (Texts_{"/* /* */\nGO\n*/ SELECT 1\n"}));
    EXPECT_EQ(Texts("SELECT 'it''s\nGO\n'\nGO\n"), (Texts_{"SELECT 'it''s\nGO\n'\n"}));
    EXPECT_EQ(Texts("SELECT \"a\nGO\n\", [b\nGO\n]]]\nGO\nx"),
              (Texts_{"SELECT \"a\nGO\n\", [b\nGO\n]]]\n", "x"}));
    // A quote or comment opener after "--" is part of the line comment.
    EXPECT_EQ(Texts("-- it's /* nothing\nGO\nSELECT 1"), (Texts_{"-- it's /* nothing\n", "SELECT 1"}));
}

TEST(ScriptBatchesTest, EmptyBatchesAreLeftOutAndLinesAreCounted) {
    const std::vector<ScriptBatch> batches =
        SplitIntoBatches("GO\n\n  \t\nGO\nSELECT 1\nSELECT 2\nGO\n\nGO\nSELECT 3\n");
    ASSERT_EQ(batches.size(), 2u);
    EXPECT_EQ(batches[0].text, "SELECT 1\nSELECT 2\n");
    EXPECT_EQ(batches[0].firstLine, 5u);
    EXPECT_EQ(batches[0].lineCount, 3u);
    EXPECT_EQ(batches[1].text, "SELECT 3\n");
    EXPECT_EQ(batches[1].firstLine, 10u);
    EXPECT_EQ(batches[1].lineCount, 1u);
    EXPECT_TRUE(SplitIntoBatches("").empty());
    EXPECT_TRUE(SplitIntoBatches("GO\r\ngo").empty());
}

TEST(ScriptBatchesTest, AnUnclosedCommentKeepsTheRestInOneBatch) {
    // The server then reports the broken batch; nothing of the script is silently dropped.
    EXPECT_EQ(Texts("SELECT 1 /* open\nGO\nSELECT 2\nGO\n"),
              (Texts_{"SELECT 1 /* open\nGO\nSELECT 2\nGO\n"}));
}

}  // namespace
}  // namespace synvora::osql
