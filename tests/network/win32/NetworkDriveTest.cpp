// The network drive on Windows: WNetUseConnectionW and WNetCancelConnection2W as Wine answers them
// (no network at all), and as a network with one old server answers them (FakeNetwork), its share
// on the test run's drive Y:.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "files/FileSystem.h"
#include "files/win32/WideText.h"
#include "network/NetworkDrives.h"
#include "support/FileTree.h"
#include "support/TestDrive.h"
#include "support/win32/FakeNetwork.h"

namespace synvora::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const NetworkCredentials kLogin{"OLDWEB\\webadmin", "s3cret"};

/// Passes the calls on to the system's and notes their statuses.
class NotedSystemCalls final : public WNetCalls {
public:
    NotedSystemCalls() : m_system(CurrentWNetCalls()), m_installed(*this) {}

    DWORD UseConnection(NETRESOURCEW& resource, const wchar_t* password, const wchar_t* user, DWORD flags,
                        wchar_t* accessName, DWORD& bufferSize, DWORD& result) override {
        statuses.push_back(
            m_system.UseConnection(resource, password, user, flags, accessName, bufferSize, result));
        return statuses.back();
    }
    DWORD CancelConnection(const wchar_t* name, DWORD flags, BOOL force) override {
        statuses.push_back(m_system.CancelConnection(name, flags, force));
        return statuses.back();
    }

    std::vector<DWORD> statuses;

private:
    WNetCalls& m_system;
    ScopedWNetCalls m_installed;
};

class NetworkDriveTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_THAT(ConnectedNetworkDrives(), IsEmpty()); }
    void TearDown() override { ReleaseAllNetworkDrives(); }
};

TEST_F(NetworkDriveTest, WithoutANetworkNothingConnectsAndNothingIsTriedTwice) {
    NotedSystemCalls system;
    std::string drive = "Q:";
    EXPECT_EQ(MapNetworkDrive("\\\\OLDWEB\\D$", kLogin.user, kLogin.password, drive), 1);
    EXPECT_EQ(drive, "Q:");
    // Wine answers that there is no network (1222): no exchanged login can change that.
    EXPECT_THAT(system.statuses, ElementsAre(ERROR_NO_NETWORK));
    EXPECT_THAT(ConnectedNetworkDrives(), IsEmpty());
    EXPECT_EQ(DisconnectNetworkDrive(drive), 1) << "not a drive of the program";
    EXPECT_EQ(drive, "Q:");
    EXPECT_EQ(system.statuses.size(), 1u) << "nothing is released that the program did not connect";
}

TEST_F(NetworkDriveTest, TheSystemChoosesTheLetterAndTheDriveIsAnOrdinaryDrive) {
    TestDrive y;
    WriteTree(y.Folder(), {{"Synvora\\E-Synvora\\images\\logo.gif", "GIF89a"}});
    FakeNetwork network("OLDWEB", kLogin);
    std::string drive;
    ASSERT_EQ(MapNetworkDrive("\\\\OLDWEB\\D$", kLogin.user, kLogin.password, drive), 0);
    EXPECT_EQ(drive, "Y:");
    ASSERT_EQ(network.uses.size(), 1u);
    const FakeNetwork::Use& use = network.uses[0];
    // A disk share, no letter asked for, redirected to one the system chooses; no dialog, nothing
    // remembered in the profile.
    EXPECT_EQ(use.resource.dwScope, static_cast<DWORD>(RESOURCE_GLOBALNET));
    EXPECT_EQ(use.resource.dwType, static_cast<DWORD>(RESOURCETYPE_DISK));
    EXPECT_EQ(use.resource.dwDisplayType, static_cast<DWORD>(RESOURCEDISPLAYTYPE_SHARE));
    EXPECT_EQ(use.resource.dwUsage, static_cast<DWORD>(RESOURCEUSAGE_CONNECTABLE));
    EXPECT_EQ(use.resource.lpLocalName, nullptr);
    EXPECT_EQ(use.resource.lpProvider, nullptr);
    EXPECT_EQ(use.remoteName, L"\\\\OLDWEB\\D$");
    EXPECT_EQ(use.flags, static_cast<DWORD>(CONNECT_REDIRECT));
    EXPECT_EQ(use.bufferSize, 32u);
    EXPECT_THAT(ConnectedNetworkDrives(), ElementsAre("Y:"));
    EXPECT_EQ(TheFileSystem().ReadFile("Y:\\Synvora\\E-Synvora\\images\\logo.gif"), "GIF89a");

    // Never forced: while the system refuses (files open), the drive stays.
    network.cancelStatus = ERROR_OPEN_FILES;
    EXPECT_EQ(DisconnectNetworkDrive(drive), 1);
    EXPECT_EQ(drive, "Y:");
    network.cancelStatus = NO_ERROR;
    ASSERT_EQ(DisconnectNetworkDrive(drive), 0);
    EXPECT_EQ(drive, "");
    ASSERT_EQ(network.cancels.size(), 2u);
    EXPECT_EQ(network.cancels[1].name, L"Y:");
    EXPECT_EQ(network.cancels[1].flags, static_cast<DWORD>(CONNECT_UPDATE_PROFILE));
    EXPECT_EQ(network.cancels[1].force, FALSE);
    EXPECT_THAT(ConnectedNetworkDrives(), IsEmpty());
    EXPECT_EQ(DisconnectNetworkDrive(drive), 1) << "nothing left to release";
}

TEST_F(NetworkDriveTest, ARefusedLoginIsTriedOnceMoreExchangedAndUnreachableServersOnlyOnce) {
    FakeNetwork network("OLDWEB", kLogin);
    std::string drive = "Q:";
    // Password typed into the user field and the reverse: the second attempt connects.
    ASSERT_EQ(MapNetworkDrive("\\\\oldweb\\d$", kLogin.password, kLogin.user, drive), 0);
    EXPECT_EQ(drive, "Y:");
    ASSERT_EQ(network.uses.size(), 2u);
    EXPECT_EQ(network.uses[0].status, static_cast<DWORD>(ERROR_LOGON_FAILURE));
    EXPECT_EQ(network.uses[1].user, Utf8ToWide(kLogin.user));
    EXPECT_EQ(network.uses[1].password, Utf8ToWide(kLogin.password));
    const auto login = CredentialsOfConnectionTo("\\\\OLDWEB");
    ASSERT_TRUE(login);
    EXPECT_EQ(login->user, kLogin.user) << "the login that connected, not the one typed";
    EXPECT_FALSE(CredentialsOfConnectionTo("NEWWEB"));

    network.uses.clear();
    EXPECT_EQ(MapNetworkDrive("\\\\OLDWEB\\D$", kLogin.user, "wrong", drive), 1);
    EXPECT_EQ(network.uses.size(), 2u);
    EXPECT_EQ(MapNetworkDrive("\\\\OLDWEB\\E$", kLogin.user, kLogin.password, drive), 1);
    EXPECT_EQ(network.uses.size(), 4u) << "a missing share may be a refused login";
    EXPECT_EQ(MapNetworkDrive("\\\\NOSUCH\\D$", kLogin.user, kLogin.password, drive), 1);
    EXPECT_EQ(network.uses.size(), 5u) << "a server that cannot be reached is not asked twice";
    EXPECT_EQ(drive, "Y:") << "the drive of the earlier connection stays";

    // What is still connected when the program ends is released then, unforced.
    ReleaseAllNetworkDrives();
    EXPECT_THAT(ConnectedNetworkDrives(), IsEmpty());
    ASSERT_EQ(network.cancels.size(), 1u);
    EXPECT_EQ(network.cancels[0].force, FALSE);
    EXPECT_FALSE(network.connected);
}

TEST_F(NetworkDriveTest, OnlyAConnectionOnALocalDriveCounts) {
    FakeNetwork network("OLDWEB", kLogin);
    std::string drive = "Q:";
    network.resultFlags = 0;
    EXPECT_EQ(MapNetworkDrive("\\\\OLDWEB\\D$", kLogin.user, kLogin.password, drive), 1);
    EXPECT_EQ(drive, "Q:");
    // The access name up to its colon names the drive.
    network.resultFlags = CONNECT_LOCALDRIVE;
    network.accessName = L"X:\\";
    EXPECT_EQ(MapNetworkDrive("\\\\OLDWEB\\D$", kLogin.user, kLogin.password, drive), 0);
    EXPECT_EQ(drive, "X:");
}

}  // namespace
}  // namespace synvora::test
