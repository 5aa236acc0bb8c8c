#include <gtest/gtest.h>

#include "files/Encoding.h"
#include "files/TextCase.h"

namespace synvora {
namespace {

TEST(Encoding, EveryByteSurvivesTheRoundTrip) {
    for (int byte = 0; byte < 256; ++byte) {
        const std::string ansi(1, static_cast<char>(byte));
        EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(ansi)), ansi) << "byte " << byte;
    }
}

TEST(Encoding, AsciiRunsBetweenOtherCharactersAreKeptInPlace) {
    const std::string ansi = "SELECT 'caf\xE9' -- \x80\x81 x\r\nend\xFF";
    const std::string utf8 = "SELECT 'caf\u00E9' -- \u20AC\u0081 x\r\nend\u00FF";
    EXPECT_EQ(AnsiToUtf8(ansi), utf8);
    EXPECT_EQ(Utf8ToAnsi(utf8), ansi);
    EXPECT_EQ(Utf8ToAnsi("ab\xC3"
                         "cd\u4E2Def"),
              "ab?cd?ef");
}

TEST(Encoding, MapsTheCodePageSpecificCharacters) {
    EXPECT_EQ(AnsiToUtf8("\x80"), "\u20AC");
    EXPECT_EQ(AnsiToUtf8("\x9F"), "\u0178");
    EXPECT_EQ(AnsiToUtf8("\xE9"), "\u00E9");
    EXPECT_EQ(Utf8ToAnsi("caf\u00E9 \u2013 \u2122"), "caf\xE9 \x96 \x99");
}

TEST(Encoding, CharactersOutsideTheCodePageBecomeQuestionMarksAndDoNotFit) {
    EXPECT_EQ(Utf8ToAnsi("\u0101\u4E2D\U0001F600x"), "???x");
    EXPECT_TRUE(FitsAnsi("caf\u00E9 \u20AC\u0081 ?"));
    EXPECT_FALSE(FitsAnsi("\u03A9mega"));  // the text would arrive as "?mega"
    EXPECT_FALSE(FitsAnsi("ab\xC3"));
}

TEST(Encoding, MalformedUtf8BecomesQuestionMarksByteByByte) {
    EXPECT_EQ(Utf8ToAnsi("a\xC3"), "a?");          // truncated sequence
    EXPECT_EQ(Utf8ToAnsi("\xC0\xAF"), "??");       // overlong form of "/"
    EXPECT_EQ(Utf8ToAnsi("\xED\xA0\x80"), "???");  // encoded surrogate
    EXPECT_EQ(Utf8ToAnsi("\xFF"), "?");
}

TEST(Encoding, LowerCaseTakesEveryLetterAndKeepsWhatIsNoUtf8) {
    EXPECT_EQ(LowerCase("ÜBERSERVER-ΣЖ"), "überserver-σж");
    EXPECT_EQ(LowerCase("A\xFFZ\xC3"), "a\xFFz\xC3");
    EXPECT_EQ(LowerCase(""), "");
}

}  // namespace
}  // namespace synvora
