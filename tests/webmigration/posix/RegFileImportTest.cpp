#include <gtest/gtest.h>

#include <string>

#include "webmigration/RegistryCalls.h"
#include "webmigration/posix/RegFileImport.h"
#include "webmigration/posix/RegFileText.h"
#include "webmigration/posix/RegistryTree.h"

namespace synvora {
namespace {

using test::RegFile4;
using test::RegFile5;
using test::Repeated;
using test::ToUtf16LeWithBom;
using namespace std::string_literals;

class RegFileImportTest : public ::testing::Test {
protected:
    bool Import(const std::string& bytes) { return ImportRegFile(bytes, m_tree); }

    // The value's type and data, or "missing".
    std::string Entry(std::string_view key, std::string_view name) const {
        const RegistryTree::Key* found = m_tree.Find(key);
        const RegistryTree::Value* value = found == nullptr ? nullptr : found->FindValue(name);
        return value == nullptr ? "missing" : std::to_string(value->type) + ":" + value->data;
    }

    RegistryTree m_tree;
};

TEST_F(RegFileImportTest, TextValuesKeepTheirEscapesAndNul) {
    ASSERT_TRUE(
        Import(RegFile5("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test]\r\n"
                        "\"path\"=\"C:\\\\Program Files\\\\Pellux\"\r\n"
                        "\"quoted\"=\"say \\\"hi\\\"\"\r\n"
                        "\"handwritten\"=\"C:\\temp\\x\"\r\n"
                        "\"empty\"=\"\"\r\n"
                        "@=\"default\"\r\n"
                        "\"with \\\"quote\\\" in name\"=\"n\"\r\n")));
    EXPECT_EQ(Entry("SOFTWARE\\Test", "path"), "1:C:\\Program Files\\Pellux\0"s);
    EXPECT_EQ(Entry("SOFTWARE\\Test", "quoted"), "1:say \"hi\"\0"s);
    // A backslash before anything but \ or " is a hand-typed path separator and stays.
    EXPECT_EQ(Entry("SOFTWARE\\Test", "handwritten"), "1:C:\\temp\\x\0"s);
    EXPECT_EQ(Entry("SOFTWARE\\Test", "empty"), "1:\0"s);
    EXPECT_EQ(Entry("SOFTWARE\\Test", ""), "1:default\0"s);
    EXPECT_EQ(Entry("SOFTWARE\\Test", "with \"quote\" in name"), "1:n\0"s);
}

TEST_F(RegFileImportTest, OtherTypesAreTheirBytes) {
    ASSERT_TRUE(
        Import(RegFile5("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test]\r\n"
                        "\"number\"=dword:0000002a\r\n"
                        "\"big\"=dword:FFFFFFFE\r\n"
                        "\"binary\"=hex:01,ff,  0A , 7\r\n"
                        "\"nothing\"=hex:\r\n"
                        "\"qword\"=hex(b):01,02,03,04,05,06,07,08\r\n"
                        "\"long\"=hex:41,42,\\\r\n"
                        "  43,44,\\\r\n"
                        "  45\r\n"
                        "\"after\"=\"still read\"\r\n")));
    EXPECT_EQ(Entry("SOFTWARE\\Test", "number"), "4:\x2a\0\0\0"s);
    EXPECT_EQ(Entry("SOFTWARE\\Test", "big"), "4:\xfe\xff\xff\xff"s);
    EXPECT_EQ(Entry("SOFTWARE\\Test", "binary"), "3:\x01\xff\x0a\x07"s);
    EXPECT_EQ(Entry("SOFTWARE\\Test", "nothing"), "3:");
    EXPECT_EQ(Entry("SOFTWARE\\Test", "qword"), "11:\x01\x02\x03\x04\x05\x06\x07\x08"s);
    EXPECT_EQ(Entry("SOFTWARE\\Test", "long"), "3:ABCDE");
    EXPECT_EQ(Entry("SOFTWARE\\Test", "after"), "1:still read\0"s);
}

TEST_F(RegFileImportTest, HexStringTypesFollowTheFileVersion) {
    // Version 5 stores the hex string types as UTF-16LE; the ANSI view is Windows-1252.
    ASSERT_TRUE(
        Import(RegFile5("[HKEY_LOCAL_MACHINE\\V5]\r\n"
                        "\"expand\"=hex(2):25,00,e9,00,25,00,00,00\r\n"
                        "\"multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
                        "\"euro\"=hex(1):ac,20,00,00\r\n"
                        "\"unmappable\"=hex(1):3a,04,00,00\r\n")));
    EXPECT_EQ(Entry("V5", "expand"), "2:%\xe9%\0"s);
    EXPECT_EQ(Entry("V5", "multi"), "7:a\0b\0\0"s);
    EXPECT_EQ(Entry("V5", "euro"), "1:\x80\0"s);
    EXPECT_EQ(Entry("V5", "unmappable"), "1:?\0"s);

    RegistryTree old;
    ASSERT_TRUE(ImportRegFile(RegFile4("[HKEY_LOCAL_MACHINE\\V4]\r\n"
                                       "\"expand\"=hex(2):25,e9,25,00\r\n"
                                       "\"text\"=\"plain\"\r\n"),
                              old));
    EXPECT_EQ(old.Find("V4")->FindValue("expand")->data, "%\xe9%\0"s);
    EXPECT_EQ(old.Find("V4")->FindValue("text")->data, "plain\0"s);
}

TEST_F(RegFileImportTest, NamesCompareWithoutLetterCase) {
    ASSERT_TRUE(
        Import(RegFile5("[hkey_local_machine\\Software\\Caf\xC3\xA9]\r\n"
                        "\"Path\"=\"one\"\r\n"
                        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\CAF\xC3\x89]\r\n"
                        "\"PATH\"=\"two\"\r\n")));
    // One key and one value: the second section and value name meet the first ones.
    EXPECT_EQ(m_tree.Find("SOFTWARE")->ChildCount(), 1u);
    EXPECT_EQ(Entry("sOfTwArE\\caf\xE9", "pAtH"), "1:two\0"s);
    EXPECT_EQ(Entry("SOFTWARE\\CAF\xC9", "path"), "1:two\0"s);
    EXPECT_EQ(RegistryTree::FoldName("\x9a\x9c\x9e\xff\xf7\xe0z"), "\x8a\x8c\x8e\x9f\xf7\xc0Z");
}

TEST_F(RegFileImportTest, SectionsCreateParentsAndRemovalsTakeKeysAndValues) {
    ASSERT_TRUE(
        Import(RegFile5("[HKEY_LOCAL_MACHINE\\A\\B\\C]\r\n"
                        "\"c\"=\"1\"\r\n"
                        "[HKEY_LOCAL_MACHINE\\A]\r\n"
                        "\"keep\"=\"1\"\r\n"
                        "\"drop\"=\"1\"\r\n"
                        "\"drop\"=-\r\n"
                        "\"never there\"=-\r\n"
                        "[-HKEY_LOCAL_MACHINE\\A\\B]\r\n"
                        "\"ignored\"=\"after a removal there is no key\"\r\n"
                        "[-HKEY_LOCAL_MACHINE\\Not\\There]\r\n"
                        "[HKEY_LOCAL_MACHINE\\A\\D]\r\n")));
    EXPECT_NE(m_tree.Find("A"), nullptr);
    EXPECT_EQ(m_tree.Find("A\\B"), nullptr);
    EXPECT_EQ(m_tree.Find("A\\B\\C"), nullptr);
    EXPECT_NE(m_tree.Find("A\\D"), nullptr);
    EXPECT_EQ(Entry("A", "keep"), "1:1\0"s);
    EXPECT_EQ(Entry("A", "drop"), "missing");
    EXPECT_EQ(Entry("A", "ignored"), "missing");
    EXPECT_EQ(m_tree.Find("A")->ChildCount(), 1u);
}

TEST_F(RegFileImportTest, OtherRootsAreLeftOut) {
    ASSERT_TRUE(
        Import(RegFile5("[HKEY_CURRENT_USER\\SOFTWARE\\X]\r\n"
                        "\"v\"=\"user\"\r\n"
                        "[HKEY_LOCAL_MACHINE_NOT\\SOFTWARE\\X]\r\n"
                        "\"v\"=\"lookalike\"\r\n"
                        "[HKEY_LOCAL_MACHINE]\r\n"
                        "\"atRoot\"=\"r\"\r\n")));
    EXPECT_EQ(m_tree.Find("SOFTWARE"), nullptr);
    EXPECT_EQ(m_tree.Root().ChildCount(), 0u);
    EXPECT_EQ(Entry("", "atRoot"), "1:r\0"s);
}

TEST_F(RegFileImportTest, FileEncodings) {
    const std::string body =
        "[HKEY_LOCAL_MACHINE\\K]\r\n\"v\"=\"Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80\"\r\n";
    const std::string expected = "1:Caf\xE9 \x80 ?\0"s;  // the emoji has no Windows-1252 form

    RegistryTree utf8;
    ASSERT_TRUE(ImportRegFile(RegFile5(body), utf8));
    EXPECT_EQ(utf8.Find("K")->FindValue("v")->data, expected.substr(2));

    RegistryTree withBom;
    ASSERT_TRUE(ImportRegFile("\xEF\xBB\xBF" + RegFile5(body), withBom));
    EXPECT_EQ(withBom.Find("K")->FindValue("v")->data, expected.substr(2));

    RegistryTree utf16;
    ASSERT_TRUE(ImportRegFile(ToUtf16LeWithBom(RegFile5(body)), utf16));
    EXPECT_EQ(utf16.Find("K")->FindValue("v")->data, expected.substr(2));

    // A file in the ANSI code page itself is not valid UTF-8 and is read as Windows-1252.
    RegistryTree ansi;
    ASSERT_TRUE(ImportRegFile(RegFile4("[HKEY_LOCAL_MACHINE\\K]\n\"v\"=\"Caf\xE9\"\n"), ansi));
    EXPECT_EQ(ansi.Find("K")->FindValue("v")->data, "Caf\xE9\0"s);

    // Bare LF line ends, a dangling odd byte and an unpaired surrogate.
    RegistryTree odd;
    ASSERT_TRUE(ImportRegFile(
        ToUtf16LeWithBom(RegFile5("[HKEY_LOCAL_MACHINE\\K]\n\"v\"=\"x\"\n")) + "\x00\xD8Z"s, odd));
    EXPECT_EQ(odd.Find("K")->FindValue("v")->data, "x\0"s);
}

TEST_F(RegFileImportTest, AFileWithoutHeaderIsNoExport) {
    EXPECT_FALSE(Import("[HKEY_LOCAL_MACHINE\\K]\r\n\"v\"=\"x\"\r\n"));
    EXPECT_FALSE(Import("Windows Registry Editor Version 4.00\r\n[HKEY_LOCAL_MACHINE\\K]\r\n"));
    EXPECT_FALSE(Import(""));
    EXPECT_FALSE(Import("\xFE\xFF"));
    EXPECT_EQ(m_tree.Root().ChildCount(), 0u);

    EXPECT_TRUE(Import("\r\n  \r\n   REGEDIT4  \r\n[HKEY_LOCAL_MACHINE\\K]\r\n"));
    EXPECT_NE(m_tree.Find("K"), nullptr);
}

TEST_F(RegFileImportTest, UnreadableLinesAreSkippedAndTheRestUsed) {
    ASSERT_TRUE(
        Import(RegFile5("[HKEY_LOCAL_MACHINE\\Good]\r\n"
                        "\"before\"=\"1\"\r\n"
                        "this line means nothing\r\n"
                        "\"unterminated\"=\"no closing quote\r\n"
                        "\"name only\r\n"
                        "\"noequals\" \"x\"\r\n"
                        "\"trailing\"=\"x\" junk\r\n"
                        "\"badhex\"=hex:41,zz\r\n"
                        "\"widehex\"=hex:414\r\n"
                        "\"baddword\"=dword:123456789\r\n"
                        "\"badtype\"=hex(zz):41\r\n"
                        "\"unknown\"=qword:1\r\n"
                        "  ; indented comment\r\n"
                        "\"after\" = \"2\"\r\n"
                        "[HKEY_LOCAL_MACHINE\\Truncated\r\n"
                        "\"lost\"=\"belongs to no key\"\r\n"
                        "[HKEY_LOCAL_MACHINE\\Empty\\\\Name]\r\n"
                        "\"lost2\"=\"x\"\r\n"
                        "[HKEY_LOCAL_MACHINE\\Last]\r\n"
                        "\"cut\"=hex:41,\\\r\n")));
    EXPECT_EQ(Entry("Good", "before"), "1:1\0"s);
    EXPECT_EQ(Entry("Good", "after"), "1:2\0"s);
    EXPECT_EQ(m_tree.Find("Good")->ValueCount(), 2u);
    EXPECT_EQ(m_tree.Find("Truncated"), nullptr);
    EXPECT_EQ(m_tree.Find("Empty"), nullptr);
    // A continuation cut off by the end of the file keeps the bytes read so far.
    EXPECT_EQ(Entry("Last", "cut"), "3:A");
    EXPECT_EQ(m_tree.Root().ChildCount(), 2u);
}

TEST_F(RegFileImportTest, KeysBeyondTheRegistryLimitsAreRefused) {
    std::string deepest = "[HKEY_LOCAL_MACHINE";
    for (std::size_t i = 0; i < RegistryTree::kMaxKeyDepth; ++i) {
        deepest += "\\k";
    }
    ASSERT_TRUE(Import(RegFile5(deepest + "]\r\n\"v\"=\"deep\"\r\n" + deepest +
                                "\\k]\r\n\"w\"=\"too deep\"\r\n[HKEY_LOCAL_MACHINE\\" + Repeated("n", 255) +
                                "]\r\n[HKEY_LOCAL_MACHINE\\" + Repeated("l", 256) + "]\r\n")));
    const std::string deepPath = Repeated("k\\", RegistryTree::kMaxKeyDepth - 1) + "k";
    EXPECT_EQ(Entry(deepPath, "v"), "1:deep\0"s);
    EXPECT_EQ(m_tree.Find(deepPath)->ChildCount(), 0u);
    EXPECT_NE(m_tree.Find(Repeated("n", 255)), nullptr);
    EXPECT_EQ(m_tree.Root().ChildCount(), 2u);
}

TEST_F(RegFileImportTest, EntriesStopAtTheBound) {
    std::string body = "[HKEY_LOCAL_MACHINE\\Many]\n";
    for (std::size_t i = 0; i < RegistryTree::kMaxEntries + 10; ++i) {
        body += "\"" + std::to_string(i) + "\"=hex:\n";
    }
    body += "\"0\"=\"replacing takes no room\"\n";
    ASSERT_TRUE(Import(RegFile5(body)));
    // The key itself is one entry.
    EXPECT_EQ(m_tree.Find("Many")->ValueCount(), RegistryTree::kMaxEntries - 1);
    EXPECT_EQ(Entry("Many", "0"), "1:replacing takes no room\0"s);
    EXPECT_EQ(Entry("Many", std::to_string(RegistryTree::kMaxEntries - 1)), "missing");
}

}  // namespace
}  // namespace synvora
