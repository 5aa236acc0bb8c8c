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

}  // namespace
}  // namespace synvora::test
