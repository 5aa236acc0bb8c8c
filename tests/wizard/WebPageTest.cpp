#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "WizardFixture.h"
#include "support/Loopback.h"
#include "wizard/pages/frmFinish.h"
#include "wizard/pages/frmWeb.h"

namespace synvora::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::string kConnectionFailed =
    "The connection to the 2.4 webserver could not be made, please check the connection information.";
const std::string kSameMachine =
    "The source and the destination machines are the same, this is not supported.";

class WebPageTest : public WizardFixture {
protected:
    void ShowPage(bool database = true) {
        StartWizard();
        ReachWebPage(database);
        m_toolkit.ClearJournal();
    }
    void PressNext() { m_toolkit.Click("frmWeb", "cmdNextofwebfrm"); }
    std::vector<std::string> Steps() const {
        return m_toolkit.JournalOf({"map", "disconnect", "msgbox", "show", "hide", "focus", "text",
                                    "doevents", "pointer", "enabled"});
    }
};

TEST_F(WebPageTest, NextProvesTheShareThenChecksTheFieldsThenShowsBothSummaryLines) {
    ShowPage();
    EXPECT_EQ(m_toolkit.Text("frmWeb", "lblWebSource"), "No Connection...");
    EXPECT_EQ(m_toolkit.FocusedControl("frmWeb"), "txtWebServer");
    FillWebPage("OLDWEB", "administrator", "s3cret", "D:\\Program Files\\E-Synvora");
    MapResults({0});
    DisconnectResults({0});
    PressNext();

    // The pointer, the status label and the buttons stay as they are.
    EXPECT_THAT(Steps(), ElementsAre("map \\\\OLDWEB\\D$ administrator s3cret", "disconnect Z:",
                                     "hide frmWeb", "show frmFinish", "focus frmFinish.cmdFinish",
                                     "text frmFinish.lblFinish2=", "text frmFinish.lblFinish3=", "doevents",
                                     "text frmFinish.lblFinish2=- Migrate database content.", "doevents",
                                     "text frmFinish.lblFinish3=- Migrate web contents.", "doevents"));
    EXPECT_EQ(TheWizard().Finish().m_sMappedDrive, "") << "the share is released before the page is left";

    // Back on the finish page returns here, with every field as it was.
    m_toolkit.Click("frmFinish", "cmdBackofFinish");
    EXPECT_THAT(m_toolkit.ShownPages(), ElementsAre("frmWeb"));
    EXPECT_EQ(m_toolkit.FocusedControl("frmWeb"), "txtWebServer");
    EXPECT_EQ(m_toolkit.Text("frmWeb", "txtWebInstallationFolder"), "D:\\Program Files\\E-Synvora");
}

TEST_F(WebPageTest, TheConnectionTestComesBeforeTheFieldCheck) {
    ShowPage();
    // Empty server and folder: the share path has neither, and no field message comes first.
    MapResults({1});
    m_toolkit.ExpectMsgBox(kConnectionFailed, kMsgBoxCritical);
    PressNext();
    EXPECT_THAT(m_driveCalls, ElementsAre("map \\\\\\$  "));

    // A share that connects with an empty user is released before the field is named.
    FillWebPage("OLDWEB", "", "", "E:");
    MapResults({0});
    DisconnectResults({0});
    m_toolkit.ExpectMsgBox("The field 'User' should contain a value.", kMsgBoxCritical);
    PressNext();
    EXPECT_EQ(m_driveCalls.back(), "disconnect Z:");

    m_toolkit.Type("frmWeb", "txtWebInstallationFolder", "");
    MapResults({0});
    DisconnectResults({0});
    m_toolkit.ExpectMsgBox("The field 'Installation folder' should contain a value.", kMsgBoxCritical);
    PressNext();
    EXPECT_THAT(m_toolkit.ShownPages(), ElementsAre("frmWeb"));
    EXPECT_EQ(m_toolkit.Text("frmWeb", "lblWebSource"), "No Connection...");
    EXPECT_FALSE(m_toolkit.IsShown("frmFinish"));
}

TEST_F(WebPageTest, WarningsAndAFailedReleaseDoNotStopNext) {
    ShowPage(/*database=*/false);
    // This machine is NEWWEB; letter case does not matter, other spellings are not recognised.
    FillWebPage("newWeb", "admin", "pw", "D:\\Synvora");
    MapResults({0});
    DisconnectResults({1});
    m_toolkit.ExpectMsgBox(kSameMachine, kMsgBoxCritical);
    m_toolkit.ExpectMsgBox("Could not disconnect the network drive!", kMsgBoxCritical);
    PressNext();
    EXPECT_THAT(m_driveCalls, ElementsAre("map \\\\newWeb\\D$ admin pw", "disconnect Z:"));
    EXPECT_THAT(m_toolkit.ShownPages(), ElementsAre("frmFinish"));
    EXPECT_EQ(m_toolkit.Text("frmFinish", "lblFinish2"), "") << "the database job is not selected";
    EXPECT_EQ(m_toolkit.Text("frmFinish", "lblFinish3"), "- Migrate web contents.");

    m_toolkit.Click("frmFinish", "cmdBackofFinish");
    for (const char* other : {"\\\\NEWWEB", "127.0.0.1"}) {
        m_toolkit.Type("frmWeb", "txtWebServer", other);
        MapResults({1});
        m_toolkit.ExpectMsgBox(kConnectionFailed, kMsgBoxCritical);
        PressNext();
    }

    // Every letter is compared without its case, not only A to Z: this machine is now ÜBERWEB.
    std::string registry = ReadBytes(m_dir / "HKLM.reg");
    registry.replace(registry.find("NEWWEB"), 6,
                     "\xDC"
                     "BERWEB");
    WriteBytes(m_dir / "HKLM.reg", registry);
    m_toolkit.Type("frmWeb", "txtWebServer",
                   "\xC3\xBC"
                   "berweb");
    MapResults({1});
    m_toolkit.ExpectMsgBox(kSameMachine, kMsgBoxCritical);
    m_toolkit.ExpectMsgBox(kConnectionFailed, kMsgBoxCritical);
    PressNext();
}

TEST_F(WebPageTest, BackCancelAndExitDuringThePaintingOfTheSummary) {
    ShowPage();
    m_toolkit.Click("frmWeb", "cmdBackofWebfrm");
    EXPECT_THAT(m_toolkit.JournalOf({"show", "hide", "focus"}),
                ElementsAre("hide frmWeb", "show frmDestination", "focus frmDestination.txtDestServer"));
    ConnectionResults({0});
    m_toolkit.Click("frmDestination", "cmdNextofSourcefrm");
    EXPECT_EQ(m_toolkit.FocusedControl("frmWeb"), "txtWebServer");

    // Exit while the first summary line is being painted: the pages go, nothing is created anew.
    FillWebPage("OLDWEB", "admin", "pw", "D:");
    MapResults({0});
    DisconnectResults({0});
    m_toolkit.DuringNextDoEvents([this] { m_toolkit.Click("frmFinish", "cmdCancelofSourcefrm"); });
    PressNext();
    EXPECT_FALSE(TheWizard().AnyPageLoaded());
    EXPECT_TRUE(m_toolkit.QuitCalled());
    EXPECT_EQ(m_toolkit.CreatedCount("frmWelcome"), 1);
    EXPECT_EQ(m_toolkit.CreatedCount("frmFinish"), 1);

    StartWizard();
    ReachWebPage();
    m_toolkit.ClearJournal();
    m_toolkit.Click("frmWeb", "cmdCancelofWebfrm");
    EXPECT_THAT(m_toolkit.JournalOf({"close"}),
                ElementsAre("close frmDestination", "close frmSource", "close frmWeb", "close frmWelcome"));
}

// Get Folder with a scripted share, against a machine whose registry cannot be reached.
TEST_F(WebPageTest, GetFolderChecksTheFieldsThenHoldsTheShareWhileTheRegistryIsAsked) {
    ShowPage();
    FillWebPage("OLDWEB", "administrator", "", "");
    m_toolkit.ExpectMsgBox("The field 'Installation folder' should contain a value.", kMsgBoxCritical);
    m_toolkit.Click("frmWeb", "GetInstallFolder");
    EXPECT_THAT(Steps(), ElementsAre("msgbox 16 The field 'Installation folder' should contain a value."));

    // Keys 1 and 2 give up silently; only the last one asks the user to look it up by hand. The
    // drive letter alone is enough, and an empty password is passed on as it is.
    m_toolkit.ClearJournal();
    const std::string server = "127.0.0.1:" + std::to_string(FreeLoopbackPort());
    FillWebPage(server, "administrator", "", "D");
    MapResults({0});
    DisconnectResults({1});
    const std::string askUser =
        "Please enter the value of the following registry key "
        "'SOFTWARE\\Tressel\\Tressel Omniline\\InstallDir' on the machine '\\\\" +
        server + "'.";
    m_toolkit.ExpectMsgBox(askUser, kMsgBoxCritical);
    m_toolkit.ExpectMsgBox("Could not disconnect the network drive!", kMsgBoxCritical);
    m_toolkit.Click("frmWeb", "GetInstallFolder");
    EXPECT_THAT(
        Steps(),
        ElementsAre("pointer busy", "enabled frmWeb.cmdBackofWebfrm=0", "enabled frmWeb.cmdNextofwebfrm=0",
                    "text frmWeb.lblWebSource=Getting installation folder...", "doevents",
                    "map \\\\" + server + "\\D$ administrator ", "msgbox 16 " + askUser,
                    "text frmWeb.lblWebSource=Unable to retrieve the installation folder remotely.",
                    "pointer default", "enabled frmWeb.cmdBackofWebfrm=1", "enabled frmWeb.cmdNextofwebfrm=1",
                    "disconnect Z:", "msgbox 16 Could not disconnect the network drive!"));
    EXPECT_EQ(m_toolkit.Text("frmWeb", "txtWebInstallationFolder"), "D");

    // Cancel handled in the pause ends the wizard before anything is connected.
    const std::size_t calls = m_driveCalls.size();
    m_toolkit.DuringNextDoEvents([this] { m_toolkit.Click("frmWeb", "cmdCancelofWebfrm"); });
    m_toolkit.Click("frmWeb", "GetInstallFolder");
    EXPECT_EQ(m_driveCalls.size(), calls);
    EXPECT_TRUE(m_toolkit.QuitCalled());
    EXPECT_EQ(m_toolkit.Pointer(), MousePointer::Default);
}

}  // namespace
}  // namespace synvora::test
