#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WizardFixture.h"
#include "wizard/pages/frmFinish.h"
#include "wizard/pages/frmWelcome.h"

namespace synvora::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

using FinishPageTest = WizardFixture;

TEST_F(FinishPageTest, StartsWithEmptyLinesAndItsButtons) {
    StartWizard();
    frmFinish& finish = TheWizard().Finish();
    for (int slot = 1; slot <= frmFinish::kStepSlots; ++slot) {
        EXPECT_EQ(finish.lblStep(slot).Name(), "lblStep" + std::to_string(slot));
        EXPECT_EQ(finish.lblStep(slot).Caption(), "");
    }
    EXPECT_THROW(finish.lblStep(0), std::out_of_range);
    EXPECT_THROW(finish.lblStep(15), std::out_of_range);
    EXPECT_EQ(finish.lblError.Caption(), "");
    EXPECT_EQ(finish.cmdCancelofSourcefrm.Caption(), "&Exit");
    EXPECT_EQ(finish.cmdFinish.Caption(), "&Start");
    EXPECT_EQ(finish.cmdBackofFinish.Caption(), "< &Back");
}

TEST_F(FinishPageTest, ClearStepsEmptiesTheSlotsInOrderAndThenTheErrorLine) {
    StartWizard();
    frmFinish& finish = TheWizard().Finish();
    for (int slot = 1; slot <= frmFinish::kStepSlots; ++slot) {
        finish.lblStep(slot).SetCaption("- step " + std::to_string(slot));
    }
    finish.lblError.SetCaption("left over");
    m_toolkit.ClearJournal();

    finish.ClearSteps();
    std::vector<std::string> expected;
    for (int slot = 1; slot <= frmFinish::kStepSlots; ++slot) {
        expected.push_back("text frmFinish.lblStep" + std::to_string(slot) + "=");
    }
    expected.push_back("text frmFinish.lblError=");
    EXPECT_THAT(m_toolkit.Journal(), ElementsAreArray(expected));
    EXPECT_EQ(m_toolkit.Text("frmFinish", "lblError"), "");
    EXPECT_EQ(m_toolkit.Text("frmFinish", "lblStep14"), "");
}

TEST_F(FinishPageTest, BackWithoutTheWebJobLeadsToTheDestinationServerField) {
    StartWizard();
    ReachFinishPage();
    m_toolkit.ClearJournal();
    m_toolkit.Click("frmFinish", "cmdBackofFinish");
    EXPECT_THAT(m_toolkit.JournalOf({"show", "hide", "focus"}),
                ElementsAre("hide frmFinish", "show frmDestination", "focus frmDestination.txtDestServer"));
    EXPECT_EQ(m_toolkit.Text("frmDestination", "txtDestServer"), "NEWSQL");
}

TEST_F(FinishPageTest, BackWithTheWebJobLeadsToTheWebServerField) {
    StartWizard();
    ReachFinishPage();
    // Only the web server page's Next shows this page with the web job checked; set the box
    // directly to see that Back looks at it.
    TheWizard().Welcome().Optionweb.SetValue(1);
    m_toolkit.ClearJournal();
    m_toolkit.Click("frmFinish", "cmdBackofFinish");
    EXPECT_THAT(m_toolkit.JournalOf({"show", "hide", "focus"}),
                ElementsAre("hide frmFinish", "show frmWeb", "focus frmWeb.txtWebServer"));
}

TEST_F(FinishPageTest, ReachingThePageAgainSetsTheSummaryAnew) {
    StartWizard();
    ReachFinishPage();
    EXPECT_EQ(m_toolkit.Text("frmFinish", "lblFinish2"), "- Migrate database content.");
    TheWizard().Finish().lblFinish3.SetCaption("- Migrate web contents.");
    TheWizard().Finish().lblStep(1).SetCaption("- Start migrate database content...");

    m_toolkit.Click("frmFinish", "cmdBackofFinish");
    ConnectionResults({0});
    m_toolkit.Click("frmDestination", "cmdNextofSourcefrm");
    EXPECT_EQ(m_toolkit.Text("frmFinish", "lblFinish2"), "- Migrate database content.");
    EXPECT_EQ(m_toolkit.Text("frmFinish", "lblFinish3"), "");
    EXPECT_EQ(m_toolkit.Text("frmFinish", "lblStep1"), "- Start migrate database content...")
        << "step lines stay until a job clears them";
    EXPECT_EQ(m_toolkit.FocusedControl("frmFinish"), "cmdFinish");
    EXPECT_EQ(m_toolkit.CreatedCount("frmFinish"), 1);
}

}  // namespace
}  // namespace synvora::test
