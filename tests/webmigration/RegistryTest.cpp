// This machine's registry as the program reads it, written through the test's registry: on Linux
// the ".reg" file that stands in for it, on Windows the registry itself.

#include <gtest/gtest.h>

#include <string>

#include "support/TestRegistry.h"
#include "webmigration/Registry.h"

namespace synvora {
namespace {

using test::TestRegistry;
using test::Utf16Le;

constexpr const char* kProductKey = "SOFTWARE\\Corvane\\Velmoria\\Portivo";
constexpr const char* kFolderKey = "SOFTWARE\\Corvane\\Velmoria\\Portivo\\PelluxServer\\1";
constexpr const char* kNameKey = "SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName";
constexpr const char* kTestKey = "SOFTWARE\\SynvoraTest";
constexpr std::uint32_t kRegBinaryType = 3;

std::string Repeated(const std::string& text, std::size_t count) {
    std::string out;
    for (std::size_t i = 0; i < count; ++i) {
        out += text;
    }
    return out;
}

/// UTF-16LE with the terminating NUL: a string value as the registry keeps it.
std::string Stored(const std::string& text) {
    return Utf16Le(text) + std::string(2, '\0');
}

class RegistryTest : public ::testing::Test {
protected:
    // The install folder as read after its value was set to these bytes of this type.
    std::string FolderFrom(std::uint32_t type, const std::string& bytes) {
        m_registry.SetValue(kFolderKey, "path", type, bytes);
        return GetLocalInstallFolder();
    }
    std::string FolderFrom(const std::string& text) { return FolderFrom(kRegSz, Stored(text)); }

    std::string Test(const std::string& valueName) {
        return GetRegistryValue(kHKeyLocalMachine, kTestKey, valueName, "default");
    }

    TestRegistry m_registry;
};

TEST_F(RegistryTest, TheBufferHolds1023Characters) {
    EXPECT_EQ(FolderFrom(Repeated("x", 1023)), Repeated("x", 1023));
    EXPECT_EQ(FolderFrom(Repeated("x", 1024)), "NotFound");
    // Characters, not UTF-8 bytes, count.
    EXPECT_EQ(FolderFrom(Repeated("\xC3\xA9", 1023)), Repeated("\xC3\xA9", 1023));
    EXPECT_EQ(FolderFrom(Repeated("\xE2\x82\xAC", 1024)), "NotFound");
    EXPECT_EQ(FolderFrom("C:\\Programme\\Caf\xC3\xA9 \xE2\x82\xAC"),
              "C:\\Programme\\Caf\xC3\xA9 \xE2\x82\xAC");
}

TEST_F(RegistryTest, TerminatingAndInnerNuls) {
    EXPECT_EQ(FolderFrom(""), "");
    EXPECT_EQ(FolderFrom(kRegExpandSz, Stored("D:\\")), "D:\\");
    // A NUL inside ends the text, whatever follows it.
    EXPECT_EQ(FolderFrom(kRegSz, Stored(std::string("D\0Z", 3))), "D");
    EXPECT_EQ(FolderFrom(kRegMultiSz, Stored(std::string("a\0b\0", 4))), "a");
    // Stored without its NUL, a value keeps its last character.
    EXPECT_EQ(FolderFrom(kRegSz, Utf16Le("D:")), "D:");
    // Whatever the type, the bytes are taken as the registry's text.
    EXPECT_EQ(FolderFrom(kRegBinaryType, ToRegistryText("D:\\")), "D:\\");
    EXPECT_EQ(FolderFrom(kRegBinaryType, ToRegistryText(Repeated("A", 1024))), Repeated("A", 1024));
    EXPECT_EQ(FolderFrom(kRegBinaryType, ToRegistryText(Repeated("A", 1025))), "NotFound");
    // No bytes at all: the size of 0 leaves the default.
    EXPECT_EQ(FolderFrom(kRegBinaryType, ""), "NotFound");
}

TEST_F(RegistryTest, NamesAreFoundWhateverTheirCase) {
    m_registry.SetString("software\\corvane\\velmoria\\portivo\\pelluxserver\\1", "PATH", "C:\\Pellux");
    m_registry.SetString(kTestKey, "Caf\xC3\xA9", "accent");
    EXPECT_TRUE(IsWebServerInstalled());
    EXPECT_EQ(GetLocalInstallFolder(), "C:\\Pellux");
    EXPECT_EQ(GetRegistryValue(kHKeyLocalMachine, "Software\\SYNVORATEST", "CAF\xC3\x89", "default"),
              "accent");
    EXPECT_EQ(Test("Cafe"), "default");
}

TEST_F(RegistryTest, TheWebServerIsInstalledWhenItsKeyExists) {
    EXPECT_FALSE(IsWebServerInstalled());
    EXPECT_EQ(GetLocalInstallFolder(), "NotFound");
    EXPECT_NE(GetLocalComputerName(), "NotFound") << "every machine has a name";

    m_registry.CreateKey(kProductKey);
    EXPECT_TRUE(IsWebServerInstalled());
    EXPECT_EQ(GetLocalInstallFolder(), "NotFound");
    m_registry.DeleteKey("SOFTWARE\\Corvane");

    // A key below it brings the key into being too.
    m_registry.CreateKey(kFolderKey);
    EXPECT_TRUE(IsWebServerInstalled());
    m_registry.DeleteKey("SOFTWARE\\Corvane");

    m_registry.SetString("SOFTWARE\\Corvane\\Velmoria", "Portivo", "a value, not a key");
    m_registry.CreateKey("SOFTWARE\\Corvane\\Velmoria\\Portivo2");
    EXPECT_FALSE(IsWebServerInstalled());
}

TEST_F(RegistryTest, TheComputerName) {
    m_registry.SetString(kNameKey, "ComputerName", "PELLUX-WEB");
    EXPECT_EQ(GetLocalComputerName(), "PELLUX-WEB");
    m_registry.SetString(kNameKey, "ComputerName", Repeated("N", 1024));
    EXPECT_EQ(GetLocalComputerName(), "NotFound");
    m_registry.DeleteValue(kNameKey, "ComputerName");
    EXPECT_EQ(GetLocalComputerName(), "NotFound");
}

TEST_F(RegistryTest, MissingKeysValuesAndRoots) {
    m_registry.SetString(kTestKey, "present", "here");
    m_registry.SetString(kTestKey, "", "unnamed");
    EXPECT_EQ(Test("present"), "here");
    EXPECT_EQ(Test(""), "unnamed");
    EXPECT_EQ(Test("absent"), "default");
    EXPECT_EQ(GetRegistryValue(kHKeyLocalMachine, "SOFTWARE\\Nothing", "present", "default"), "default");
    EXPECT_EQ(GetRegistryValue(0x80000001, kTestKey, "present", "default"), "default") << "another root";
    EXPECT_EQ(GetRegistryValue(kHKeyLocalMachine, kTestKey, std::string("present\0x", 9), "default"), "here");
}

}  // namespace
}  // namespace synvora
