#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "WizardFixture.h"

namespace synvora::test {
namespace {

using ::testing::ElementsAre;

constexpr const char* kNotOnWebServer =
    "You should run the webserver contents migration part on the Portivo Web server.";

class WelcomePageTest : public WizardFixture {
protected:
    bool NextEnabled() const { return m_toolkit.Enabled("frmWelcome", "cmdNextofWelcome"); }
};

TEST_F(WelcomePageTest, StartsAloneWithBothJobsUncheckedAndNextDisabled) {
    StartWizard();
    EXPECT_THAT(m_toolkit.ShownPages(), ElementsAre("frmWelcome"));
    EXPECT_FALSE(m_toolkit.IsLoaded("frmSource"));
    EXPECT_EQ(m_toolkit.Value("frmWelcome", "Optiondb"), 0);
    EXPECT_EQ(m_toolkit.Value("frmWelcome", "Optionweb"), 0);
    EXPECT_FALSE(NextEnabled());
}

TEST_F(WelcomePageTest, NextIsEnabledExactlyWhileAJobIsChecked) {
    StartWizard();
    m_toolkit.Click("frmWelcome", "Optiondb");
    EXPECT_TRUE(NextEnabled());
    m_toolkit.Click("frmWelcome", "Optiondb");
    EXPECT_FALSE(NextEnabled()) << "unchecking the only job disables Next again";

    m_toolkit.Click("frmWelcome", "Optionweb");
    EXPECT_TRUE(NextEnabled());
    m_toolkit.Click("frmWelcome", "Optiondb");
    m_toolkit.Click("frmWelcome", "Optionweb");
    EXPECT_TRUE(NextEnabled()) << "the database job is still checked";
    m_toolkit.Click("frmWelcome", "Optiondb");
    EXPECT_FALSE(NextEnabled());

    // A disabled Next does nothing.
    m_toolkit.Click("frmWelcome", "cmdNextofWelcome");
    EXPECT_FALSE(m_toolkit.IsLoaded("frmSource"));
}

TEST_F(WelcomePageTest, WebJobIsRefusedOnAMachineWithoutTheWebServerProduct) {
    SetWebServerInstalled(false);
    StartWizard();
    SelectJobs(false, true);
    m_toolkit.ExpectMsgBox(kNotOnWebServer, kMsgBoxOkOnly);
    m_toolkit.Click("frmWelcome", "cmdNextofWelcome");

    EXPECT_THAT(m_toolkit.ShownPages(), ElementsAre("frmWelcome"));
    EXPECT_FALSE(m_toolkit.IsLoaded("frmSource"));
    EXPECT_EQ(m_toolkit.Value("frmWelcome", "Optionweb"), 1) << "nothing else changes";
    EXPECT_TRUE(NextEnabled());
    EXPECT_EQ(m_webServerChecks, 1);
}

TEST_F(WelcomePageTest, BothJobsAreRefusedTooAlthoughTheDatabaseJobAloneWouldPass) {
    SetWebServerInstalled(false);
    StartWizard();
    SelectJobs(true, true);
    m_toolkit.ExpectMsgBox(kNotOnWebServer, kMsgBoxOkOnly);
    m_toolkit.Click("frmWelcome", "cmdNextofWelcome");
    EXPECT_THAT(m_toolkit.ShownPages(), ElementsAre("frmWelcome"));

    // Unchecking the web job lets the wizard go on.
    m_toolkit.Click("frmWelcome", "Optionweb");
    m_toolkit.Click("frmWelcome", "cmdNextofWelcome");
    EXPECT_THAT(m_toolkit.ShownPages(), ElementsAre("frmSource"));
}

TEST_F(WelcomePageTest, MissingRegistryFileMeansAMachineWithoutTheProduct) {
    StartWizard();  // the registry file was never written
    SelectJobs(false, true);
    m_toolkit.ExpectMsgBox(kNotOnWebServer, kMsgBoxOkOnly);
    m_toolkit.Click("frmWelcome", "cmdNextofWelcome");
    EXPECT_FALSE(m_toolkit.IsLoaded("frmSource"));
}

TEST_F(WelcomePageTest, WebJobGoesOnToTheSourcePageOnTheWebServer) {
    SetWebServerInstalled(true);
    StartWizard();
    SelectJobs(false, true);
    m_toolkit.Click("frmWelcome", "cmdNextofWelcome");
    EXPECT_THAT(m_toolkit.ShownPages(), ElementsAre("frmSource"));
    EXPECT_EQ(m_toolkit.FocusedControl("frmSource"), "txtSourceServer");
    EXPECT_EQ(m_webServerChecks, 1);
}

TEST_F(WelcomePageTest, DatabaseJobAloneGoesToTheSourcePageWithoutARegistryLookup) {
    StartWizard();
    SelectJobs(true, false);
    m_toolkit.ClearJournal();
    m_toolkit.Click("frmWelcome", "cmdNextofWelcome");

    EXPECT_EQ(m_webServerChecks, 0);
    EXPECT_THAT(m_toolkit.ShownPages(), ElementsAre("frmSource"));
    EXPECT_THAT(m_toolkit.JournalOf({"show", "hide", "focus"}),
                ElementsAre("hide frmWelcome", "show frmSource", "focus frmSource.txtSourceServer"));
}

TEST_F(WelcomePageTest, CancelBeforeAnyOtherPageEndsTheProgram) {
    StartWizard();
    m_toolkit.Click("frmWelcome", "cmdCancelofWelcome");
    EXPECT_FALSE(TheWizard().AnyPageLoaded());
    EXPECT_FALSE(m_toolkit.IsLoaded("frmWelcome"));
    EXPECT_TRUE(m_toolkit.QuitCalled());
    EXPECT_EQ(m_toolkit.CreatedCount("frmSource"), 0) << "Cancel creates no page on its way out";
    EXPECT_EQ(m_toolkit.CreatedCount("frmFinish"), 0);
}

TEST_F(WelcomePageTest, ClosingTheWindowEndsTheProgramAsCancelDoes) {
    StartWizard();
    m_toolkit.Click("frmWelcome", "Optiondb");
    m_toolkit.CloseWindow("frmWelcome");
    EXPECT_FALSE(TheWizard().AnyPageLoaded());
    EXPECT_TRUE(m_toolkit.QuitCalled());
}

TEST_F(WelcomePageTest, ChoicesSurviveTheWayBackFromTheSourcePage) {
    SetWebServerInstalled(true);
    StartWizard();
    ReachSourcePage(true, true);
    m_toolkit.Click("frmSource", "cmdBackofSourcefrm");
    EXPECT_THAT(m_toolkit.ShownPages(), ElementsAre("frmWelcome"));
    EXPECT_EQ(m_toolkit.Value("frmWelcome", "Optiondb"), 1);
    EXPECT_EQ(m_toolkit.Value("frmWelcome", "Optionweb"), 1);
    EXPECT_TRUE(NextEnabled());
    EXPECT_EQ(m_toolkit.CreatedCount("frmWelcome"), 1);
}

}  // namespace
}  // namespace synvora::test
