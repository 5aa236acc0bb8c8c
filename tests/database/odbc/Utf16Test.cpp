#include <gtest/gtest.h>

#include "database/odbc/Utf16.h"

namespace synvora::odbc {
namespace {

TEST(Utf16Test, WellFormedTextRoundTripsIncludingSurrogatePairs) {
    const std::string utf8 = "a\u00E9\u20AC\U0001F600z";
    const std::u16string utf16 = u"a\u00E9\u20AC\xD83D\xDE00z";
    EXPECT_EQ(Utf8ToUtf16(utf8), utf16);
    EXPECT_EQ(Utf16ToUtf8(utf16), utf8);
    EXPECT_EQ(Utf8ToUtf16(""), u"");
    EXPECT_EQ(Utf16ToUtf8(u""), "");
    EXPECT_EQ(Utf8ToUtf16(std::string("a\0b", 3)), std::u16string(u"a\0b", 3));
}

TEST(Utf16Test, MalformedUtf8BecomesReplacementCharactersWithoutLosingWhatFollows) {
    EXPECT_EQ(Utf8ToUtf16(std::string("a\xFF") + "b"), u"a\uFFFDb");
    // A sequence cut short, at the end and before ASCII.
    EXPECT_EQ(Utf8ToUtf16("a\xE2\x82"), u"a\uFFFD\uFFFD");
    EXPECT_EQ(Utf8ToUtf16(std::string("\xE2\x82") + "x"), u"\uFFFD\uFFFDx");
    // An overlong "/", an encoded surrogate, a code point beyond U+10FFFF.
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");
}

TEST(Utf16Test, UnpairedSurrogatesBecomeReplacementCharacters) {
    EXPECT_EQ(Utf16ToUtf8(u"\xD800x"), "\uFFFDx");
    EXPECT_EQ(Utf16ToUtf8(u"x\xDC00"), "x\uFFFD");
    EXPECT_EQ(Utf16ToUtf8(u"\xDE00\xD83D"), "\uFFFD\uFFFD");  // reversed pair
}

}  // namespace
}  // namespace synvora::odbc
