#include <gtest/gtest.h>

#include <string>

#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"
#include "webmigration/Registry.h"
#include "webmigration/posix/FileRegistry.h"
#include "webmigration/posix/RegFileText.h"

namespace synvora {
namespace {

using test::RegFile4;
using test::RegFile5;
using test::Repeated;
using test::ScopedEnvironmentVariable;
using test::TempDir;
using test::ToUtf16LeWithBom;
using test::WriteBytes;

constexpr const char* kFolderSection =
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\Velmoria\\Portivo\\PelluxServer\\1]\r\n";
constexpr const char* kNameSection =
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName]\r\n";

/// Points the program's registry at a file in a temporary folder for the test.
class RegistryTest : public ::testing::Test {
protected:
    RegistryTest() : m_file(m_dir / "HKLM.reg"), m_variable("SYNVORA_REGISTRY", m_file) {}

    void Write(const std::string& bytes) { WriteBytes(m_file, bytes); }

    // The install folder as read from a file whose folder key holds the given value line.
    std::string FolderFrom(const std::string& valueLine) {
        Write(RegFile5(std::string(kFolderSection) + valueLine + "\r\n"));
        return GetLocalInstallFolder();
    }

    std::string Test(const std::string& valueName) {
        return GetRegistryValue(kHKeyLocalMachine, "SOFTWARE\\Test", valueName, "default");
    }

    TempDir m_dir;
    std::string m_file;
    ScopedEnvironmentVariable m_variable;
};

TEST_F(RegistryTest, TheBufferHolds1023Characters) {
    EXPECT_EQ(FolderFrom("\"path\"=\"" + Repeated("x", 1023) + "\""), Repeated("x", 1023));
    EXPECT_EQ(FolderFrom("\"path\"=\"" + Repeated("x", 1024) + "\""), "NotFound");
    // Characters, not UTF-8 bytes, count: each é is one byte of the code page.
    EXPECT_EQ(FolderFrom("\"path\"=\"" + Repeated("\xC3\xA9", 1023) + "\""), Repeated("\xC3\xA9", 1023));
    EXPECT_EQ(FolderFrom("\"path\"=\"" + Repeated("\xC3\xA9", 1024) + "\""), "NotFound");
}

TEST_F(RegistryTest, TerminatingAndInnerNuls) {
    EXPECT_EQ(FolderFrom("\"path\"=\"\""), "");
    EXPECT_EQ(FolderFrom("\"path\"=hex(1):00,00"), "");
    EXPECT_EQ(FolderFrom("\"path\"=hex(2):44,00,3a,00,5c,00,00,00"), "D:\\");
    // A NUL inside ends the text, whatever follows it.
    EXPECT_EQ(FolderFrom("\"path\"=hex(1):44,00,00,00,5a,00,00,00"), "D");
    EXPECT_EQ(FolderFrom("\"path\"=hex(7):61,00,00,00,62,00,00,00,00,00"), "a");
    // Stored without its NUL, a value keeps its last character.
    EXPECT_EQ(FolderFrom("\"path\"=hex(1):44,00,3a,00"), "D:");
    EXPECT_EQ(FolderFrom("\"path\"=hex:44,3a,5c"), "D:\\");
    EXPECT_EQ(FolderFrom("\"path\"=hex:" + Repeated("41,", 1023) + "41"), Repeated("A", 1024));
    EXPECT_EQ(FolderFrom("\"path\"=hex:" + Repeated("41,", 1024) + "41"), "NotFound");
    // No bytes at all: the size of 0 leaves the default.
    EXPECT_EQ(FolderFrom("\"path\"=hex:"), "NotFound");
    // Whatever the type, the bytes are taken as text.
    EXPECT_EQ(FolderFrom("\"path\"=dword:00004241"), "AB");
    EXPECT_EQ(FolderFrom("\"path\"=dword:00000000"), "");
}

TEST_F(RegistryTest, NamesAreFoundWhateverTheirCase) {
    Write(
        RegFile5("[HKEY_LOCAL_MACHINE\\software\\corvane\\velmoria\\portivo\\pelluxserver\\1]\r\n"
                 "\"PATH\"=\"C:\\\\Pellux\"\r\n"
                 "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test]\r\n"
                 "\"Caf\xC3\xA9\"=\"accent\"\r\n"));
    EXPECT_TRUE(IsWebServerInstalled());
    EXPECT_EQ(GetLocalInstallFolder(), "C:\\Pellux");
    EXPECT_EQ(GetRegistryValue(kHKeyLocalMachine, "Software\\TEST", "CAF\xC3\x89", "default"), "accent");
    EXPECT_EQ(Test("Cafe"), "default");
}

TEST_F(RegistryTest, NonAsciiTextSurvivesEveryFileForm) {
    const std::string body =
        std::string(kFolderSection) + "\"path\"=\"C:\\\\Programme\\\\Caf\xC3\xA9 \xE2\x82\xAC\"\r\n";
    const std::string expected = "C:\\Programme\\Caf\xC3\xA9 \xE2\x82\xAC";
    Write(RegFile5(body));
    EXPECT_EQ(GetLocalInstallFolder(), expected);
    Write("\xEF\xBB\xBF" + RegFile5(body));
    EXPECT_EQ(GetLocalInstallFolder(), expected);
    Write(ToUtf16LeWithBom(RegFile5(body)));
    EXPECT_EQ(GetLocalInstallFolder(), expected);
    Write(RegFile4(body));
    EXPECT_EQ(GetLocalInstallFolder(), expected);
    // A character the code page cannot hold comes back as the ANSI call gives it.
    Write(RegFile5(std::string(kFolderSection) + "\"path\"=\"\xD0\x96\"\r\n"));
    EXPECT_EQ(GetLocalInstallFolder(), "?");
}

TEST_F(RegistryTest, TheWebServerIsInstalledWhenItsKeyExists) {
    Write(RegFile5("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\Velmoria\\Portivo]\r\n"));
    EXPECT_TRUE(IsWebServerInstalled());
    EXPECT_EQ(GetLocalInstallFolder(), "NotFound");

    // A key below it brings the key into being too.
    Write(RegFile5(kFolderSection));
    EXPECT_TRUE(IsWebServerInstalled());

    Write(
        RegFile5("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\Velmoria]\r\n\"Portivo\"=\"a value, not a key\"\r\n"
                 "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\Velmoria\\Portivo2]\r\n"
                 "[HKEY_CURRENT_USER\\SOFTWARE\\Corvane\\Velmoria\\Portivo]\r\n"));
    EXPECT_FALSE(IsWebServerInstalled());

    Write(RegFile5(std::string(kFolderSection) +
                   "\"path\"=\"C:\\\\P\"\r\n[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane]\r\n"));
    EXPECT_FALSE(IsWebServerInstalled());
    EXPECT_EQ(GetLocalInstallFolder(), "NotFound");
}

TEST_F(RegistryTest, WithoutAFileOnlyTheComputerNameIsThere) {
    EXPECT_FALSE(IsWebServerInstalled());
    EXPECT_EQ(GetLocalInstallFolder(), "NotFound");
    EXPECT_EQ(GetLocalComputerName(), HostComputerName());
    EXPECT_NE(GetLocalComputerName(), "NotFound");

    Write("not a registry file\r\n" + std::string(kFolderSection) + "\"path\"=\"C:\\\\P\"\r\n");
    EXPECT_FALSE(IsWebServerInstalled());
    EXPECT_EQ(GetLocalInstallFolder(), "NotFound");
}

TEST_F(RegistryTest, TheComputerName) {
    Write(RegFile5(std::string(kNameSection) + "\"ComputerName\"=\"PELLUX-WEB\"\r\n"));
    EXPECT_EQ(GetLocalComputerName(), "PELLUX-WEB");
    Write(RegFile5(std::string(kNameSection) + "\"ComputerName\"=\"" + Repeated("N", 1024) + "\"\r\n"));
    EXPECT_EQ(GetLocalComputerName(), "NotFound");
    Write(RegFile5("[-HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\ComputerName]\r\n"));
    EXPECT_EQ(GetLocalComputerName(), "NotFound");
}

TEST_F(RegistryTest, EveryCallSeesTheFileNamedThen) {
    TempDir other;
    WriteBytes(other / "a.reg", RegFile5(std::string(kFolderSection) + "\"path\"=\"C:\\\\A\"\r\n"));
    WriteBytes(other / "b.reg", RegFile5(std::string(kFolderSection) + "\"path\"=\"D:\\\\B\"\r\n"));
    {
        ScopedEnvironmentVariable a("SYNVORA_REGISTRY", other / "a.reg");
        EXPECT_EQ(GetLocalInstallFolder(), "C:\\A");
        ScopedEnvironmentVariable b("SYNVORA_REGISTRY", other / "b.reg");
        EXPECT_EQ(GetLocalInstallFolder(), "D:\\B");
    }
    EXPECT_EQ(GetLocalInstallFolder(), "NotFound");
    WriteBytes(other / "a.reg", RegFile5(std::string(kFolderSection) + "\"path\"=\"E:\\\\Changed\"\r\n"));
    ScopedEnvironmentVariable a("SYNVORA_REGISTRY", other / "a.reg");
    EXPECT_EQ(GetLocalInstallFolder(), "E:\\Changed");
}

TEST_F(RegistryTest, MissingKeysValuesAndRoots) {
    Write(RegFile5("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test]\r\n\"present\"=\"here\"\r\n@=\"unnamed\"\r\n"));
    EXPECT_EQ(Test("present"), "here");
    EXPECT_EQ(Test(""), "unnamed");
    EXPECT_EQ(Test("absent"), "default");
    EXPECT_EQ(GetRegistryValue(kHKeyLocalMachine, "SOFTWARE\\Nothing", "present", "default"), "default");
    EXPECT_EQ(GetRegistryValue(0x80000001, "SOFTWARE\\Test", "present", "default"), "default");
    EXPECT_EQ(GetRegistryValue(kHKeyLocalMachine, "SOFTWARE\\Test", std::string("present\0x", 9), "default"),
              "here");
}

TEST(DemoRegistryTest, TheSampleFileDescribesAnInstalledWebServer) {
    ScopedEnvironmentVariable variable("SYNVORA_REGISTRY", SYNVORA_SOURCE_DIR "/demo/HKLM.reg");
    EXPECT_TRUE(IsWebServerInstalled());
    EXPECT_EQ(GetLocalInstallFolder(), "/srv/synvora/Pellux");
    EXPECT_EQ(GetLocalComputerName(), HostComputerName());
}

}  // namespace
}  // namespace synvora
