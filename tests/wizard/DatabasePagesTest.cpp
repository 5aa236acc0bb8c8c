#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <exception>
#include <stdexcept>

#include "WizardFixture.h"
#include "wizard/pages/frmDestination.h"
#include "wizard/pages/frmWelcome.h"

namespace synvora::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

/// The checks the source and the destination page share, run on each.
class DatabasePageTest : public WizardFixture, public ::testing::WithParamInterface<std::string> {
protected:
    const std::string& Page() const { return GetParam(); }
    void ShowPage() {
        if (Page() == "frmSource") {
            ReachSourcePage();
        } else {
            ReachDestinationPage();
        }
        m_connectionTests.clear();
        m_toolkit.ClearJournal();
    }
    void Fill(const std::string& server, const std::string& database, const std::string& user,
              const std::string& password = "") {
        FillDatabasePage(Page(), server, database, user, password);
    }
    void PressNext() { m_toolkit.Click(Page(), "cmdNextofSourcefrm"); }
    std::string Status() const { return m_toolkit.Text(Page(), StatusLabel(Page())); }
    std::string NextPage() const { return Page() == "frmSource" ? "frmDestination" : "frmFinish"; }
    std::string ConnectionFailure() const {
        return Page() == "frmSource"
                   ? "Unable to connect to the source database, please check the entered database "
                     "information."
                   : "Unable to connect to the destination database,  please check the entered database "
                     "information.";
    }
};

TEST_P(DatabasePageTest, StartsWithTheLoginSaAndNoConnection) {
    StartWizard();
    ShowPage();
    EXPECT_EQ(m_toolkit.Text(Page(), ServerField(Page())), "");
    EXPECT_EQ(m_toolkit.Text(Page(), DatabaseField(Page())), "");
    EXPECT_EQ(m_toolkit.Text(Page(), UserField(Page())), "sa");
    EXPECT_EQ(m_toolkit.Text(Page(), PasswordField(Page())), "");
    EXPECT_EQ(Status(), "No Connection...");
}

TEST_P(DatabasePageTest, AllFieldsEmptyNamesOnlyTheServer) {
    StartWizard();
    ShowPage();
    Fill("", "", "");
    m_toolkit.ExpectMsgBox("The field 'Server' should contain a value.", kMsgBoxCritical);
    PressNext();
    EXPECT_THAT(m_toolkit.ShownPages(), ElementsAre(Page()));
    EXPECT_THAT(m_connectionTests, IsEmpty());
}

TEST_P(DatabasePageTest, ServerFilledNamesOnlyTheDatabase) {
    StartWizard();
    ShowPage();
    Fill("SQL1", "", "");
    m_toolkit.ExpectMsgBox("The field 'Database' should contain a value.", kMsgBoxCritical);
    PressNext();
    EXPECT_THAT(m_connectionTests, IsEmpty());
}

TEST_P(DatabasePageTest, ClearedUserIsReportedAndNoConnectionIsTried) {
    StartWizard();
    ShowPage();
    Fill("SQL1", "Synvora", "", "secret");
    m_toolkit.ExpectMsgBox("The field 'User' should contain a value.", kMsgBoxCritical);
    PressNext();
    EXPECT_THAT(m_connectionTests, IsEmpty());
    EXPECT_EQ(Status(), "No Connection...") << "the status label keeps its text";
    EXPECT_EQ(m_toolkit.Text(Page(), ServerField(Page())), "SQL1") << "the fields stay as they were";
    EXPECT_THAT(m_toolkit.JournalOf({"pointer", "text", "focus"}), IsEmpty());
}

TEST_P(DatabasePageTest, BlanksPassTheFieldCheckAndTheConnectionIsTriedWithTheFieldsAsTyped) {
    StartWizard();
    ShowPage();
    Fill(" ", " db ", " ");  // no password: it is never required
    ConnectionResults({1});
    m_toolkit.ExpectMsgBox(ConnectionFailure(), kMsgBoxCritical);
    PressNext();
    ASSERT_EQ(m_connectionTests.size(), 1u);
    EXPECT_THAT(m_connectionTests[0], ElementsAre(" ", " ", "", " db "))
        << "server, user, password, database; nothing trimmed";
}

TEST_P(DatabasePageTest, FailedConnectionRestoresThePointerBeforeItsMessageAndStays) {
    StartWizard();
    ShowPage();
    Fill("SQL1", "Synvora", "sa", "wrong");
    ConnectionResults({1});
    m_toolkit.ExpectMsgBox(ConnectionFailure(), kMsgBoxCritical);
    PressNext();

    const std::string status = "text " + Page() + "." + StatusLabel(Page()) + "=";
    EXPECT_THAT(m_toolkit.JournalOf({"pointer", "text", "doevents", "msgbox", "show", "hide"}),
                ElementsAre("pointer busy", status + "Checking database information...", "doevents",
                            "pointer default", "msgbox 16 " + ConnectionFailure(),
                            status + "Database information not correct.", "pointer default"));
    EXPECT_THAT(m_toolkit.ShownPages(), ElementsAre(Page()));
    EXPECT_EQ(m_toolkit.Pointer(), MousePointer::Default);
}

TEST_P(DatabasePageTest, EveryNextTestsTheConnectionAfresh) {
    StartWizard();
    ShowPage();
    Fill("SQL1", "Synvora", "sa", "wrong");
    ConnectionResults({1, 0});
    m_toolkit.ExpectMsgBox(ConnectionFailure(), kMsgBoxCritical);
    PressNext();
    EXPECT_EQ(Status(), "Database information not correct.");

    m_toolkit.Type(Page(), PasswordField(Page()), "right");
    PressNext();
    ASSERT_EQ(m_connectionTests.size(), 2u);
    EXPECT_EQ(m_connectionTests[1][2], "right");
    EXPECT_EQ(Status(), "Database information is valid.");
    EXPECT_TRUE(m_toolkit.IsShown(NextPage()));
    EXPECT_FALSE(m_toolkit.IsShown(Page()));
}

TEST_P(DatabasePageTest, WithoutAConnectionTestNextStaysSilentlyOnThePage) {
    StartWizard(ConnectionTest::None);
    // Without a connection test the destination page is only reached by showing it directly.
    if (Page() == "frmSource") {
        ReachSourcePage();
    } else {
        TheWizard().Welcome().Hide();
        TheWizard().Destination().Show();
    }
    Fill("SQL1", "Synvora", "sa");
    PressNext();
    EXPECT_THAT(m_toolkit.ShownPages(), ElementsAre(Page()));
    EXPECT_EQ(Status(), "No Connection...");
    EXPECT_EQ(m_toolkit.Pointer(), MousePointer::Default);
}

TEST_P(DatabasePageTest, AConnectionTestThatRaisesStillLeavesTheDefaultPointer) {
    StartWizard();
    ShowPage();
    Fill("SQL1", "Synvora", "sa");
    ConnectionRaises(std::make_exception_ptr(std::runtime_error("driver gone")));
    EXPECT_THROW(PressNext(), std::runtime_error) << "the pages catch nothing of their own";
    EXPECT_EQ(m_toolkit.Pointer(), MousePointer::Default);
    EXPECT_THAT(m_toolkit.JournalOf({"pointer", "msgbox"}), ElementsAre("pointer busy", "pointer default"));
    EXPECT_THAT(m_toolkit.ShownPages(), ElementsAre(Page()));

    // The page is still usable afterwards.
    ConnectionResults({0});
    PressNext();
    EXPECT_TRUE(m_toolkit.IsShown(NextPage()));
    EXPECT_EQ(m_toolkit.Pointer(), MousePointer::Default);
}

TEST_P(DatabasePageTest, CancelEndsTheProgram) {
    StartWizard();
    ShowPage();
    m_toolkit.Click(Page(), "cmdCancelofSourcefrm");
    EXPECT_FALSE(TheWizard().AnyPageLoaded());
    EXPECT_TRUE(m_toolkit.QuitCalled());
}

INSTANTIATE_TEST_SUITE_P(Pages, DatabasePageTest, ::testing::Values("frmSource", "frmDestination"),
                         [](const auto& info) { return info.param; });

using DatabasePageNavigationTest = WizardFixture;

TEST_F(DatabasePageNavigationTest, SourceNextShowsTheDestinationWithTheFocusInItsServer) {
    StartWizard();
    ReachSourcePage();
    FillDatabasePage("frmSource", "OLDSQL", "Synvora22", "sa", "pw");
    ConnectionResults({0});
    m_toolkit.ClearJournal();
    m_toolkit.Click("frmSource", "cmdNextofSourcefrm");
    EXPECT_THAT(m_toolkit.JournalOf({"show", "hide", "focus"}),
                ElementsAre("hide frmSource", "show frmDestination", "focus frmDestination.txtDestServer"));
    EXPECT_THAT(m_connectionTests, ElementsAre(ElementsAre("OLDSQL", "sa", "pw", "Synvora22")));
}

TEST_F(DatabasePageNavigationTest, SourceBackShowsTheWelcomePageFirstAndSetsNoFocus) {
    StartWizard();
    ReachSourcePage();
    m_toolkit.ClearJournal();
    m_toolkit.Click("frmSource", "cmdBackofSourcefrm");
    EXPECT_THAT(m_toolkit.JournalOf({"show", "hide", "focus"}),
                ElementsAre("show frmWelcome", "hide frmSource"));
}

TEST_F(DatabasePageNavigationTest, DestinationBackHidesFirstAndSetsNoFocus) {
    StartWizard();
    ReachDestinationPage();
    m_toolkit.ClearJournal();
    m_toolkit.Click("frmDestination", "cmdBackofSourcefrm");
    EXPECT_THAT(m_toolkit.JournalOf({"show", "hide", "focus"}),
                ElementsAre("hide frmDestination", "show frmSource"));
}

TEST_F(DatabasePageNavigationTest, DestinationNextForTheDatabaseJobSetsTheSummaryAfterFocusingStart) {
    StartWizard();
    ReachDestinationPage();
    // Lines left from an earlier visit are replaced.
    TheWizard().Finish();
    m_toolkit.ClearJournal();
    FillDatabasePage("frmDestination", "NEWSQL", "Synvora25", "sa", "pw");
    ConnectionResults({0});
    m_toolkit.Click("frmDestination", "cmdNextofSourcefrm");

    EXPECT_THAT(m_connectionTests.back(), ElementsAre("NEWSQL", "sa", "pw", "Synvora25"));
    EXPECT_THAT(m_toolkit.JournalOf({"show", "hide", "focus", "text frmFinish", "doevents"}),
                ElementsAre("doevents",  // the connection test's own
                            "hide frmDestination", "show frmFinish", "focus frmFinish.cmdFinish",
                            "text frmFinish.lblFinish2=- Migrate database content.",
                            "text frmFinish.lblFinish3=", "doevents"));
    EXPECT_THAT(m_toolkit.ShownPages(), ElementsAre("frmFinish"));
}

TEST_F(DatabasePageNavigationTest, DestinationNextWithTheWebJobLeadsToTheWebServerPage) {
    SetWebServerInstalled(true);
    StartWizard();
    ReachDestinationPage(/*web=*/true);
    FillDatabasePage("frmDestination", "NEWSQL", "Synvora25", "sa", "pw");
    ConnectionResults({0});
    m_toolkit.ClearJournal();
    m_toolkit.Click("frmDestination", "cmdNextofSourcefrm");
    EXPECT_THAT(m_toolkit.JournalOf({"show", "hide", "focus"}),
                ElementsAre("hide frmDestination", "show frmWeb", "focus frmWeb.txtWebServer"));
    EXPECT_FALSE(m_toolkit.IsLoaded("frmFinish")) << "the summary lines are not touched";
}

}  // namespace
}  // namespace synvora::test
