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

/// What only the registry file has: its forms, its absence, its name read at each call. Points the
/// program's registry at a file in a temporary folder for the test.
class RegistryFileTest : public ::testing::Test {
protected:
    RegistryFileTest() : m_file(m_dir / "HKLM.reg"), m_variable("SYNVORA_REGISTRY", m_file) {}

    void Write(const std::string& bytes) { WriteBytes(m_file, bytes); }

    // The install folder as read from a file whose folder key holds the given value line.
    std::string FolderFrom(const std::string& valueLine) {
        Write(RegFile5(std::string(kFolderSection) + valueLine + "\r\n"));
        return GetLocalInstallFolder();
    }

    TempDir m_dir;
    std::string m_file;
    ScopedEnvironmentVariable m_variable;
};

TEST_F(RegistryFileTest, BinaryAndNumberValuesAreTakenAsCodePageText) {
    // The ANSI calls see the bytes of any type as the code page's characters.
    EXPECT_EQ(FolderFrom("\"path\"=dword:00004241"), "AB");
    EXPECT_EQ(FolderFrom("\"path\"=dword:00000000"), "");
    // The plain form of a string, and a character the code page cannot hold, which comes back as
    // the ANSI call gives it.
    EXPECT_EQ(FolderFrom("\"path\"=\"" + Repeated("x", 1023) + "\""), Repeated("x", 1023));
    EXPECT_EQ(FolderFrom("\"path\"=\"\xD0\x96\""), "?");
}

TEST_F(RegistryFileTest, NonAsciiTextSurvivesEveryFileForm) {
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
}

TEST_F(RegistryFileTest, OnlyTheLocalMachinesSectionsCount) {
    Write(RegFile5("[HKEY_CURRENT_USER\\SOFTWARE\\Corvane\\Velmoria\\Portivo]\r\n"));
    EXPECT_FALSE(IsWebServerInstalled());
    Write(RegFile5(std::string(kFolderSection) +
                   "\"path\"=\"C:\\\\P\"\r\n[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane]\r\n"));
    EXPECT_FALSE(IsWebServerInstalled());
    EXPECT_EQ(GetLocalInstallFolder(), "NotFound");
}

TEST_F(RegistryFileTest, WithoutAFileOnlyTheComputerNameIsThere) {
    EXPECT_FALSE(IsWebServerInstalled());
    EXPECT_EQ(GetLocalInstallFolder(), "NotFound");
    EXPECT_EQ(GetLocalComputerName(), HostComputerName());
    EXPECT_NE(GetLocalComputerName(), "NotFound");

    Write("not a registry file\r\n" + std::string(kFolderSection) + "\"path\"=\"C:\\\\P\"\r\n");
    EXPECT_FALSE(IsWebServerInstalled());
    EXPECT_EQ(GetLocalInstallFolder(), "NotFound");
}

TEST_F(RegistryFileTest, EveryCallSeesTheFileNamedThen) {
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

TEST(DemoRegistryTest, TheSampleFileDescribesAnInstalledWebServer) {
    ScopedEnvironmentVariable variable("SYNVORA_REGISTRY", SYNVORA_SOURCE_DIR "/demo/HKLM.reg");
    EXPECT_TRUE(IsWebServerInstalled());
    EXPECT_EQ(GetLocalInstallFolder(), "/srv/synvora/Pellux");
    EXPECT_EQ(GetLocalComputerName(), HostComputerName());
}

}  // namespace
}  // namespace synvora
