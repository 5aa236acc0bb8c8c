#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "network/NetworkDrives.h"
#include "support/FileTree.h"
#include "support/Loopback.h"
#include "support/SambaFixture.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"
#include "webmigration/Registry.h"
#include "webmigration/posix/NetRegistry.h"

namespace synvora::test {
namespace {

using namespace std::chrono_literals;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;

constexpr const char* kKey = "SOFTWARE\\Tressel\\Tressel Omniline";

/// What only `net` has: its login, its private folders, its time limit. The remote readers against
/// the test server's registry, with the messages they show collected. Every test starts and ends
/// with no drive connected and without the key.
class NetRegistryTest : public ::testing::Test {
protected:
    NetRegistryTest()
        : m_calls(std::make_shared<NetRegistry>(CredentialsOfConnectionTo)),
          m_registry(m_calls, [this](const std::string& prompt) { m_messages.push_back(prompt); }) {}
    void SetUp() override { Server().DeleteRegistryKey("SOFTWARE\\Tressel"); }
    void TearDown() override {
        ReleaseAllNetworkDrives();
        Server().DeleteRegistryKey("SOFTWARE\\Tressel");
    }

    static SambaServer& Server() { return SharedSambaServer(); }
    static std::string Machine() { return "\\\\" + Server().ServerName(); }

    void MapShare() {
        std::string drive;
        ASSERT_EQ(
            MapNetworkDrive(Server().SharePath(), Server().Admin().user, Server().Admin().password, drive),
            0);
    }
    std::string Read(const std::string& key, const std::string& valueName) {
        return m_registry.GetRemoteRegistryValue(Machine(), key, valueName);
    }

    std::shared_ptr<NetRegistry> m_calls;
    std::vector<std::string> m_messages;
    RemoteRegistry m_registry;
};

// A read gives the whole 255-character buffer: the value, its NUL, then the blanks.
std::string Buffer(const std::string& value) {
    std::string buffer = value + '\0';
    return buffer + std::string(255 - buffer.size(), ' ');
}

// `net` is started through a wrapper that notes its arguments and environment, then runs it.
TEST_F(NetRegistryTest, TheDrivesLoginIsUsedWithThePasswordOutOfTheCommandLine) {
    Server().SetRegistryValue(kKey, "InstallDir", "E:\\Tressel");
    TempDir bin;
    const std::string report = bin / "report";
    {
        std::ofstream wrapper(bin / "net");
        wrapper << "#!/bin/sh\n{ for a in \"$@\"; do echo \"arg $a\"; done; env | sed 's/^/env /'; } >> '"
                << report << "'\nexec /usr/bin/net \"$@\"\n";
    }
    std::filesystem::permissions(bin / "net", std::filesystem::perms::owner_all);
    const char* path = std::getenv("PATH");
    ScopedEnvironmentVariable searchPath("PATH", bin.Path() + ":" + (path != nullptr ? path : ""));

    MapShare();
    EXPECT_EQ(Read(kKey, "InstallDir"), Buffer("E:\\Tressel"));
    std::string noted = ReadBytes(report);
    const std::string password = Server().Admin().password;
    EXPECT_THAT(noted, HasSubstr("arg --user=" + Server().Admin().user + "\n"));
    EXPECT_THAT(noted, HasSubstr("env PASSWD=" + password + "\n"));
    EXPECT_THAT(noted, Not(HasSubstr("arg " + password))) << "no argument holds the password";
    EXPECT_THAT(noted, Not(HasSubstr("env HOME="))) << "nothing of the program's environment";
    const auto config = noted.find("arg --configfile=");
    ASSERT_NE(config, std::string::npos);
    const std::filesystem::path configFile =
        noted.substr(config + 17, noted.find('\n', config) - config - 17);
    EXPECT_EQ(std::filesystem::status(configFile.parent_path()).permissions(),
              std::filesystem::perms::owner_all)
        << "a private folder of the program: " << configFile;

    // Without a drive on that machine nobody's login is used, and the test server answers that.
    ReleaseAllNetworkDrives();
    std::filesystem::remove(report);
    EXPECT_EQ(Read(kKey, "InstallDir"), Buffer("E:\\Tressel"));
    noted = ReadBytes(report);
    EXPECT_THAT(noted, HasSubstr("arg --user=\n"));
    EXPECT_THAT(noted, HasSubstr("arg --no-pass\n"));
    EXPECT_THAT(noted, Not(HasSubstr("env PASSWD=")));
    EXPECT_THAT(m_messages, IsEmpty());

    // `net` takes what follows a "%" in a user name as the password: such a login is refused
    // rather than handed over changed (here `net` would log on as the administrator).
    const NetworkCredentials misread{Server().Admin().user + "%" + password, ""};
    NetRegistry withPercent([&](const std::string&) { return misread; });
    RegistryHandle root = 0;
    std::filesystem::remove(report);
    EXPECT_EQ(withPercent.ConnectRegistry(Machine(), kHKeyLocalMachine, root), kRegistryLogonFailure);
    EXPECT_FALSE(std::filesystem::exists(report)) << "`net` was not even started";
}

TEST_F(NetRegistryTest, TheFoldersOfRunsThatWereKilledGoAtTheNextStart) {
    TempDir temp;
    const ScopedEnvironmentVariable tmpdir("TMPDIR", temp.Path());
    const std::string running = "synvora-net-" + std::to_string(::getpid()) + "-Ab3dE9/";
    WriteTree(temp.Path(), {{"synvora-net-2147483646-Ab3dE9/smb.conf", "of a run that was killed"},
                            {running, ""},
                            {"synvora-net-2147483646-Ab3dE9x/", ""},
                            {"synvora-net-2147483646-Ab3d/", ""},
                            {"synvora-net-x-Ab3dE9/", ""}});
    NetRegistry next(CredentialsOfConnectionTo);
    EXPECT_EQ(ReadTree(temp.Path()), (FileTree{{running, ""},
                                               {"synvora-net-2147483646-Ab3dE9x/", ""},
                                               {"synvora-net-2147483646-Ab3d/", ""},
                                               {"synvora-net-x-Ab3dE9/", ""}}));
}

TEST_F(NetRegistryTest, MachinesThatDoNotAnswerAreGivenUpAtTheTimeLimit) {
    m_calls->SetCallLimit(1s);
    SilentServer silent;
    RegistryHandle root = 0;
    EXPECT_EQ(
        m_calls->ConnectRegistry("\\\\127.0.0.1:" + std::to_string(silent.Port()), kHKeyLocalMachine, root),
        kRegistryTimeout);
    EXPECT_EQ(m_calls->ConnectRegistry("\\\\", kHKeyLocalMachine, root), kRegistryBadNetPath) << "no machine";
}

}  // namespace
}  // namespace synvora::test
