#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "database/CommandLineSplit.h"

namespace synvora {
namespace {

using Words = std::vector<std::string>;

TEST(CommandLineSplitTest, BlanksAndTabsSeparateWordsAndNothingElseDoes) {
    EXPECT_EQ(SplitCommandLine("osql.exe /n /S server"), (Words{"osql.exe", "/n", "/S", "server"}));
    EXPECT_EQ(SplitCommandLine("  a \t\t b  "), (Words{"a", "b"}));
    EXPECT_EQ(SplitCommandLine("a\nb\rc\vd"), (Words{"a\nb\rc\vd"}));
    EXPECT_EQ(SplitCommandLine(""), Words{});
    EXPECT_EQ(SplitCommandLine(" \t "), Words{});
}

TEST(CommandLineSplitTest, QuotesGroupBlanksAndMayStartOrEndInsideAWord) {
    EXPECT_EQ(SplitCommandLine(R"(/i "C:\my dir\PelluxDest.sql" /o x)"),
              (Words{"/i", R"(C:\my dir\PelluxDest.sql)", "/o", "x"}));
    EXPECT_EQ(SplitCommandLine(R"(a"b c"d e)"), (Words{"ab cd", "e"}));
    EXPECT_EQ(SplitCommandLine(R"("unterminated quote)"), (Words{"unterminated quote"}));
}

TEST(CommandLineSplitTest, EmptyQuotesGiveEmptyWords) {
    EXPECT_EQ(SplitCommandLine(R"(/P "" /d db)"), (Words{"/P", "", "/d", "db"}));
    EXPECT_EQ(SplitCommandLine(R"(x "")"), (Words{"x", ""}));
    EXPECT_EQ(SplitCommandLine(R"("")"), (Words{""}));
}

TEST(CommandLineSplitTest, DoubledQuoteInsideQuotesIsALiteralQuote) {
    EXPECT_EQ(SplitCommandLine(R"("a""b" c)"), (Words{R"(a"b)", "c"}));
    EXPECT_EQ(SplitCommandLine(R"("say ""hi"" now")"), (Words{R"(say "hi" now)"}));
    EXPECT_EQ(SplitCommandLine(R"("""")"), (Words{R"(")"}));
}

TEST(CommandLineSplitTest, BackslashesCountOnlyBeforeAQuote) {
    EXPECT_EQ(SplitCommandLine(R"(C:\dir\file \\server\share)"),
              (Words{R"(C:\dir\file)", R"(\\server\share)"}));
    // 2n backslashes before a quote: n backslashes, and the quote delimits.
    EXPECT_EQ(SplitCommandLine(R"("C:\dir\\" next)"), (Words{R"(C:\dir\)", "next"}));
    EXPECT_EQ(SplitCommandLine(R"(a\\\\"b c")"), (Words{R"(a\\b c)"}));
    // 2n+1 backslashes before a quote: n backslashes and a literal quote.
    EXPECT_EQ(SplitCommandLine(R"(a\"b)"), (Words{R"(a"b)"}));
    EXPECT_EQ(SplitCommandLine(R"(a\\\"b c)"), (Words{R"(a\"b)", "c"}));
    // A literal quote does not open a quoted part: the blank still separates.
    EXPECT_EQ(SplitCommandLine(R"("C:\dir\" more)"), (Words{R"(C:\dir" more)"}));
}

TEST(CommandLineSplitTest, AQuotedWordComesBackWholeAloneOrAttachedToASwitch) {
    const Words tricky = {"plain",   "",           "two words", "tab\there", R"(say "hi")",   R"(C:\my dir\)",
                          R"(a\"b)", R"(a\\"b c)", R"(")",      R"(\)",      "\u03A9mega -b", "/d"};
    for (const std::string& word : tricky) {
        EXPECT_EQ(SplitCommandLine("x " + QuoteCommandLineWord(word) + " y"), (Words{"x", word, "y"}))
            << word;
        EXPECT_EQ(SplitCommandLine("/S" + QuoteCommandLineWord(word)), Words{"/S" + word}) << word;
    }
    EXPECT_EQ(QuoteCommandLineWord("plain"), "plain");
    EXPECT_EQ(QuoteCommandLineWord("two words"), R"("two words")");
}

TEST(CommandLineSplitTest, ShellCharactersAreOrdinary) {
    EXPECT_EQ(SplitCommandLine(R"(p;rm $(id) `id` a|b >f 'q w' * $HOME)"),
              (Words{"p;rm", "$(id)", "`id`", "a|b", ">f", "'q", "w'", "*", "$HOME"}));
}

}  // namespace
}  // namespace synvora
