#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "WizardFixture.h"
#include "network/NetworkDrives.h"
#include "support/SambaFixture.h"
#include "wizard/pages/frmFinish.h"

namespace synvora::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::StartsWith;

using WebPageServerTest = WizardFixture;

// Next on the web server page with the program's own network drive, against the test server
// standing in for the old web server.
TEST_F(WebPageServerTest, NextConnectsToTheRealShareAndLeavesNothingConnected) {
    const SambaServer& server = SharedSambaServer();
    StartWizard(ConnectionTest::Scripted, NetworkDrive::Program);
    ReachWebPage();

    FillWebPage(server.ServerName(), server.Admin().user, "wrong", "D:\\Program Files\\E-Synvora");
    m_toolkit.ExpectMsgBox(
        "The connection to the 2.4 webserver could not be made, please check the connection information.",
        kMsgBoxCritical);
    m_toolkit.Click("frmWeb", "cmdNextofwebfrm");
    EXPECT_THAT(m_toolkit.ShownPages(), ElementsAre("frmWeb"));

    // The login typed into the wrong fields connects through the second attempt.
    FillWebPage(server.ServerName(), server.Admin().password, server.Admin().user, "d:\\Program Files");
    m_toolkit.Click("frmWeb", "cmdNextofwebfrm");
    EXPECT_THAT(m_toolkit.ShownPages(), ElementsAre("frmFinish"));
    EXPECT_EQ(m_driveCalls.back(), "disconnect Z:");
    EXPECT_EQ(TheWizard().Finish().m_sMappedDrive, "");
    EXPECT_THAT(ConnectedNetworkDrives(), IsEmpty());
    EXPECT_EQ(m_toolkit.Text("frmFinish", "lblFinish3"), "- Migrate web contents.");
}

constexpr const char* kKey1 = "SOFTWARE\\Tressel\\Tressel Omniline\\PelluxServer\\1";
constexpr const char* kKey2 = "SOFTWARE\\Tressel\\iTressel Omniline Server\\PelluxServer\\1";
constexpr const char* kKey3 = "SOFTWARE\\Tressel\\Tressel Omniline";

/// Get Folder with the program's own drive and remote registry, against the test server standing
/// in for the old web server. Every test starts and ends without the old product's keys.
class GetFolderServerTest : public WizardFixture {
protected:
    void SetUp() override { Server().DeleteRegistryKey("SOFTWARE\\Tressel"); }
    void TearDown() override { Server().DeleteRegistryKey("SOFTWARE\\Tressel"); }

    static SambaServer& Server() { return SharedSambaServer(); }

    void ShowPage() {
        StartWizard(ConnectionTest::Scripted, NetworkDrive::Program);
        ReachWebPage();
    }
    /// Types the folder and presses Get Folder, expecting these messages.
    void GetFolder(const std::string& typedFolder, const std::vector<std::string>& messages = {}) {
        m_toolkit.Type("frmWeb", "txtWebInstallationFolder", typedFolder);
        for (const std::string& message : messages) {
            m_toolkit.ExpectMsgBox(message, kMsgBoxCritical);
        }
        m_toolkit.ClearJournal();
        m_toolkit.Click("frmWeb", "GetInstallFolder");
        EXPECT_THAT(ConnectedNetworkDrives(), IsEmpty()) << "the share is released again";
    }
    std::string Folder() const { return m_toolkit.Text("frmWeb", "txtWebInstallationFolder"); }
    std::string Status() const { return m_toolkit.Text("frmWeb", "lblWebSource"); }
    /// The page as Get Folder leaves it: default pointer, Back and Next enabled.
    void ExpectPageRestored() const {
        EXPECT_EQ(m_toolkit.Pointer(), MousePointer::Default);
        EXPECT_TRUE(m_toolkit.Enabled("frmWeb", "cmdBackofWebfrm"));
        EXPECT_TRUE(m_toolkit.Enabled("frmWeb", "cmdNextofwebfrm"));
    }
    static std::string CannotOpen(const std::string& key) { return "Cannot open key '" + key + "'."; }
};

TEST_F(GetFolderServerTest, TheThreeLayoutsAreTriedInOrderUntilAValueIsRead) {
    Server().SetRegistryValue(kKey3, "InstallDir", "E:\\Tressel\\Omniline");
    ShowPage();
    FillWebPage(Server().ServerName(), Server().Admin().user, Server().Admin().password, "");

    // Only the oldest layout: two keys missing, then the folder, on another drive than typed.
    GetFolder("D", {CannotOpen(kKey1), CannotOpen(kKey2)});
    EXPECT_EQ(Folder(), "E:\\Tressel\\Omniline");
    EXPECT_EQ(Status(), "Installation folder found.");
    ExpectPageRestored();
    EXPECT_THAT(m_toolkit.JournalOf({"map", "disconnect"}),
                ElementsAre("map \\\\" + Server().ServerName() + "\\D$ " + Server().Admin().user + " " +
                                Server().Admin().password,
                            "disconnect Z:"));
    // Next now proves the share of the folder's drive, which this server does not offer.
    m_toolkit.ExpectMsgBox(
        "The connection to the 2.4 webserver could not be made, please check the connection information.",
        kMsgBoxCritical);
    m_toolkit.Click("frmWeb", "cmdNextofwebfrm");
    EXPECT_THAT(m_driveCalls.back(), StartsWith("map \\\\" + Server().ServerName() + "\\E$ "));

    // The newest layout with an empty value: read, so nothing further is tried.
    Server().SetRegistryValue(kKey1, "path", "");
    GetFolder("D:\\typed");
    EXPECT_EQ(Folder(), "");
    EXPECT_EQ(Status(), "Installation folder found.");

    Server().SetRegistryValue(kKey1, "path", "D:\\Program Files\\E-Synvora");
    GetFolder("D");
    EXPECT_EQ(Folder(), "D:\\Program Files\\E-Synvora");

    // None of the layouts: the typed folder stays.
    Server().DeleteRegistryKey("SOFTWARE\\Tressel");
    GetFolder("D:\\typed", {CannotOpen(kKey1), CannotOpen(kKey2), CannotOpen(kKey3)});
    EXPECT_EQ(Folder(), "D:\\typed");
    EXPECT_EQ(Status(), "Unable to retrieve the installation folder remotely.");
    ExpectPageRestored();
}

TEST_F(GetFolderServerTest, AWrongPasswordStopsBeforeTheRegistryAndARefusingRegistryGivesNoFolder) {
    Server().SetRegistryValue(kKey1, "path", "D:\\Program Files\\E-Synvora");
    ShowPage();
    FillWebPage(Server().ServerName(), Server().Admin().user, "wrong", "");
    GetFolder(
        "D:\\typed",
        {"The connection to the webserver could not be made, please check the connection information."});
    EXPECT_EQ(Folder(), "D:\\typed");
    EXPECT_EQ(Status(), "Please check the connection information.");
    ExpectPageRestored();
    EXPECT_THAT(m_toolkit.JournalOf({"disconnect"}), IsEmpty()) << "nothing was connected";

    // A server that serves its shares but whose registry cannot be reached.
    SambaServer withoutRegistry(SambaOptions{.registryService = false});
    withoutRegistry.Start();
    FillWebPage(withoutRegistry.ServerName(), withoutRegistry.Admin().user, withoutRegistry.Admin().password,
                "");
    GetFolder("D:\\typed", {"Please enter the value of the following registry key "
                            "'SOFTWARE\\Tressel\\Tressel Omniline\\InstallDir' on the machine '\\\\" +
                            withoutRegistry.ServerName() + "'."});
    EXPECT_EQ(Folder(), "D:\\typed");
    EXPECT_EQ(Status(), "Unable to retrieve the installation folder remotely.");
    EXPECT_THAT(m_toolkit.JournalOf({"map", "disconnect"}), ElementsAre(StartsWith("map "), "disconnect Z:"));
    ExpectPageRestored();
}

}  // namespace
}  // namespace synvora::test
