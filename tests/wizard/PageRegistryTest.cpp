#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "WizardFixture.h"
#include "wizard/pages/frmDestination.h"
#include "wizard/pages/frmFinish.h"
#include "wizard/pages/frmSource.h"
#include "wizard/pages/frmWeb.h"
#include "wizard/pages/frmWelcome.h"

namespace synvora::test {
namespace {

using ::testing::ElementsAre;

using PageRegistryTest = WizardFixture;

TEST_F(PageRegistryTest, ReadingAFieldCreatesTheHiddenPageOnceFromItsLayout) {
    StartWizard();
    EXPECT_EQ(TheWizard().Finish().lblFinish2.Caption(), "");
    EXPECT_EQ(TheWizard().Source().txtSourceUser.Text(), "sa");
    EXPECT_TRUE(m_toolkit.IsLoaded("frmFinish"));
    EXPECT_FALSE(m_toolkit.IsShown("frmFinish"));

    TheWizard().Finish().lblFinish2.SetCaption("x");
    EXPECT_EQ(TheWizard().Finish().lblFinish2.Caption(), "x") << "the same instance answers";
    EXPECT_EQ(m_toolkit.CreatedCount("frmFinish"), 1);
    EXPECT_EQ(m_toolkit.CreatedCount("frmSource"), 1);
}

TEST_F(PageRegistryTest, UnloadAllPagesClosesTheLaterPagesFirstThenEndsTheProgram) {
    StartWizard();
    // Load them in another order than the one they are discarded in.
    TheWizard().Finish();
    TheWizard().Web();
    TheWizard().Source();
    TheWizard().Destination();
    m_toolkit.ClearJournal();

    TheWizard().UnloadAllPages();
    EXPECT_THAT(m_toolkit.JournalOf({"close", "quit"}),
                ElementsAre("close frmDestination", "close frmSource", "close frmWeb", "close frmWelcome",
                            "close frmFinish", "quit"));
    EXPECT_FALSE(TheWizard().AnyPageLoaded());
}

TEST_F(PageRegistryTest, UnloadAllPagesSkipsPagesThatWereNeverCreated) {
    StartWizard();
    TheWizard().Finish();
    m_toolkit.ClearJournal();
    TheWizard().UnloadAllPages();
    EXPECT_THAT(m_toolkit.JournalOf({"close", "quit", "create"}),
                ElementsAre("close frmWelcome", "close frmFinish", "quit"));

    // The end of the session, outside a run, is Cancel.
    StartWizard();
    TheWizard().Finish();
    m_toolkit.ClearJournal();
    TheWizard().EndSession();
    EXPECT_THAT(m_toolkit.JournalOf({"close", "quit", "create"}),
                ElementsAre("close frmWelcome", "close frmFinish", "quit"));
}

TEST_F(PageRegistryTest, TypedValuesSurviveBackAndNextOnTheSameInstances) {
    StartWizard();
    ReachDestinationPage();
    FillDatabasePage("frmDestination", "NEWSQL", "Synvora25", "admin", "pw");

    m_toolkit.Click("frmDestination", "cmdBackofSourcefrm");
    m_toolkit.Click("frmSource", "cmdBackofSourcefrm");
    EXPECT_THAT(m_toolkit.ShownPages(), ElementsAre("frmWelcome"));
    m_toolkit.Click("frmWelcome", "cmdNextofWelcome");
    EXPECT_EQ(m_toolkit.Text("frmSource", "txtSourceServer"), "OLDSQL");
    EXPECT_EQ(m_toolkit.Text("frmSource", "txtSourcePassword"), "old");
    EXPECT_EQ(m_toolkit.Text("frmSource", "lblStatusSource"), "Database information is valid.");

    ConnectionResults({0});
    m_toolkit.Click("frmSource", "cmdNextofSourcefrm");
    EXPECT_EQ(m_toolkit.Text("frmDestination", "txtDestServer"), "NEWSQL");
    EXPECT_EQ(m_toolkit.Text("frmDestination", "txtDestUser"), "admin");
    EXPECT_EQ(m_toolkit.Text("frmDestination", "txtDestPassword"), "pw");

    EXPECT_EQ(m_toolkit.CreatedCount("frmWelcome"), 1);
    EXPECT_EQ(m_toolkit.CreatedCount("frmSource"), 1);
    EXPECT_EQ(m_toolkit.CreatedCount("frmDestination"), 1);
}

TEST_F(PageRegistryTest, APageReferencedAfterUnloadingIsFreshFromItsLayout) {
    StartWizard();
    ReachSourcePage();
    m_toolkit.Type("frmSource", "txtSourceUser", "admin");
    TheWizard().UnloadAllPages();

    EXPECT_EQ(TheWizard().Source().txtSourceUser.Text(), "sa");
    EXPECT_EQ(TheWizard().Welcome().Optiondb.Value(), 0);
    EXPECT_FALSE(TheWizard().Welcome().cmdNextofWelcome.Enabled());
    EXPECT_EQ(m_toolkit.CreatedCount("frmSource"), 2);
}

/// Leaving the wizard from one of the pages, with every page loaded.
class LeavingTheWizardTest : public WizardFixture, public ::testing::WithParamInterface<std::string> {
protected:
    void ShowOnly(const std::string& page) {
        StartWizard();
        ReachFinishPage();
        if (page == "frmFinish") {
            return;
        }
        m_toolkit.Click("frmFinish", "cmdBackofFinish");
        if (page == "frmSource") {
            m_toolkit.Click("frmDestination", "cmdBackofSourcefrm");
        }
        ASSERT_THAT(m_toolkit.ShownPages(), ElementsAre(page));
    }
    std::string CancelButton() const {
        return GetParam() == "frmWelcome" ? "cmdCancelofWelcome" : "cmdCancelofSourcefrm";
    }
};

// Cancel and Exit run in a handler of a page they destroy; under the sanitizers any touch of the
// destroyed page afterwards fails the run.
TEST_P(LeavingTheWizardTest, CancelOrExitDiscardsEveryPageAndEndsTheProgram) {
    ShowOnly(GetParam());
    m_toolkit.ClearJournal();
    m_toolkit.Click(GetParam(), CancelButton());
    EXPECT_FALSE(TheWizard().AnyPageLoaded());
    EXPECT_TRUE(m_toolkit.QuitCalled());
    EXPECT_THAT(
        m_toolkit.JournalOf({"close", "create", "msgbox"}),
        ElementsAre("close frmDestination", "close frmSource", "close frmWelcome", "close frmFinish"));
}

TEST_P(LeavingTheWizardTest, ClosingTheWindowDoesWhatCancelOrExitDoes) {
    ShowOnly(GetParam());
    m_toolkit.CloseWindow(GetParam());
    EXPECT_FALSE(TheWizard().AnyPageLoaded());
    EXPECT_TRUE(m_toolkit.QuitCalled());
}

TEST_F(PageRegistryTest, CancelHandledDuringTheConnectionPauseStopsTheCheckQuietly) {
    StartWizard();
    ReachSourcePage();
    FillDatabasePage("frmSource", "OLDSQL", "Synvora22", "sa", "pw");
    // Cancel arrives while the status text is being painted; the Next handler below it must find
    // its page intact (the sanitizers watch) and go no further.
    frmSource& source = TheWizard().Source();
    m_toolkit.DuringNextDoEvents([this, &source] {
        m_toolkit.Click("frmSource", "cmdCancelofSourcefrm");
        EXPECT_TRUE(m_toolkit.ShownPages().empty()) << "the windows close at once";
        EXPECT_TRUE(m_toolkit.IsLoaded("frmSource")) << "but the page under the running handler stays";
        // A click that was queued for the closed window behind Cancel does nothing (with the
        // fields emptied, a Next that ran would show a message box).
        source.txtSourceServer.SetText("");
        source.OnClick("cmdNextofSourcefrm");
        source.OnCloseRequested();
    });
    m_toolkit.Click("frmSource", "cmdNextofSourcefrm");

    EXPECT_TRUE(m_connectionTests.empty());
    EXPECT_TRUE(m_toolkit.MsgBoxes().empty());
    EXPECT_TRUE(m_toolkit.QuitCalled());
    EXPECT_EQ(m_toolkit.Pointer(), MousePointer::Default);
    EXPECT_FALSE(TheWizard().AnyPageLoaded());
    EXPECT_FALSE(m_toolkit.IsLoaded("frmSource"));
    EXPECT_EQ(m_toolkit.CreatedCount("frmDestination"), 0);
}

INSTANTIATE_TEST_SUITE_P(Pages, LeavingTheWizardTest,
                         ::testing::Values("frmSource", "frmDestination", "frmFinish"),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace synvora::test
