#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>

#include "WizardFixture.h"
#include "database/odbc/DataAccess.h"
#include "support/PostgresFixture.h"
#include "wizard/pages/frmFinish.h"

namespace synvora::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::string kOldDatabase = "oldsynvora";
const std::string kNewDatabase = "newsynvora";
// Loopback, but nothing listens there: the connection is refused at once.
const std::string kSilentServer = "127.0.0.2";

const std::string kSourceFailure =
    "Unable to connect to the source database, please check the entered database information.";
// Two blanks after the comma: the destination page's first half ends in one of its own.
const std::string kDestinationFailure =
    "Unable to connect to the destination database,  please check the entered database information.";

void PrepareDatabasesOnce() {
    static const bool prepared = [] {
        InitializeDataAccess();
        SharedPostgresServer().CreateDatabase(kOldDatabase);
        SharedPostgresServer().CreateDatabase(kNewDatabase);
        return true;
    }();
    (void)prepared;
}

/// The wizard with the program's own connection test against the test server. It runs in a
/// temporary current directory, where a Migration.log written by anything would show.
class ServerWizardTest : public WizardFixture {
protected:
    void SetUp() override {
        PrepareDatabasesOnce();
        StartWizard(ConnectionTest::Program);
    }
    void TearDown() override {
        EXPECT_FALSE(std::filesystem::exists(m_dir / "Migration.log"))
            << "the pages write nothing to the log";
    }

    static std::string Host() { return SharedPostgresServer().Host(); }
    static std::string User() { return SharedPostgresServer().Admin().user; }
    static std::string Password() { return SharedPostgresServer().Admin().password; }

    void FillValidSource() { FillDatabasePage("frmSource", Host(), kOldDatabase, User(), Password()); }
    void FillValidDestination() {
        FillDatabasePage("frmDestination", Host(), kNewDatabase, User(), Password());
    }

    ScopedCurrentDirectory m_cwd{m_dir.Path()};
};

/// What both database pages do with a real connection, run on each.
class ConnectionCheckTest : public ServerWizardTest, public ::testing::WithParamInterface<std::string> {
protected:
    const std::string& Page() const { return GetParam(); }
    bool OnSource() const { return Page() == "frmSource"; }
    std::string Database() const { return OnSource() ? kOldDatabase : kNewDatabase; }
    std::string Failure() const { return OnSource() ? kSourceFailure : kDestinationFailure; }
    std::string NextPage() const { return OnSource() ? "frmDestination" : "frmFinish"; }
    std::string NextFocus() const { return OnSource() ? "txtDestServer" : "cmdFinish"; }
    std::string Status() const { return m_toolkit.Text(Page(), StatusLabel(Page())); }
    std::string StatusEntry(const std::string& text) const {
        return "text " + Page() + "." + StatusLabel(Page()) + "=" + text;
    }

    /// Shows the page under test, the source page passed with a real connection on the way.
    void ShowPage() {
        ReachSourcePage();
        if (!OnSource()) {
            FillValidSource();
            m_toolkit.Click("frmSource", "cmdNextofSourcefrm");
            ASSERT_TRUE(m_toolkit.IsShown("frmDestination"));
        }
        m_connectionTests.clear();
        m_toolkit.ClearJournal();
    }
    void Fill(const std::string& server, const std::string& database, const std::string& user,
              const std::string& password) {
        FillDatabasePage(Page(), server, database, user, password);
    }
    void PressNext() { m_toolkit.Click(Page(), "cmdNextofSourcefrm"); }
};

TEST_P(ConnectionCheckTest, ValidDetailsOpenARealConnectionAndLeadOn) {
    ShowPage();
    Fill(Host(), Database(), User(), Password());
    PressNext();

    EXPECT_THAT(m_connectionTests, ElementsAre(ElementsAre(Host(), User(), Password(), Database())));
    EXPECT_EQ(Status(), "Database information is valid.");
    EXPECT_THAT(m_toolkit.MsgBoxes(), IsEmpty());
    EXPECT_THAT(
        m_toolkit.JournalOf({"pointer", "text " + Page() + ".", "connect", "msgbox"}),
        ElementsAre("pointer busy", StatusEntry("Checking database information..."), "connect " + Host(),
                    StatusEntry("Database information is valid."), "pointer default"));
    EXPECT_THAT(m_toolkit.ShownPages(), ElementsAre(NextPage()));
    EXPECT_EQ(m_toolkit.FocusedControl(NextPage()), NextFocus());
    EXPECT_EQ(m_toolkit.Pointer(), MousePointer::Default);
}

TEST_P(ConnectionCheckTest, WrongPasswordIsRefusedWithTheCriticalMessageAfterThePointerIsBack) {
    ShowPage();
    Fill(Host(), Database(), User(), "wrong");
    m_toolkit.ExpectMsgBox(Failure(), kMsgBoxCritical);
    PressNext();

    // The attempt comes after the status text was painted; the box shows the default pointer.
    EXPECT_THAT(
        m_toolkit.JournalOf({"pointer", "text", "doevents", "connect", "msgbox", "show", "hide", "focus"}),
        ElementsAre("pointer busy", StatusEntry("Checking database information..."), "doevents",
                    "connect " + Host(), "pointer default", "msgbox 16 " + Failure(),
                    StatusEntry("Database information not correct."), "pointer default"));
    EXPECT_THAT(m_toolkit.ShownPages(), ElementsAre(Page()));
    EXPECT_EQ(m_toolkit.Text(Page(), PasswordField(Page())), "wrong") << "the fields stay as typed";
    EXPECT_EQ(m_toolkit.Pointer(), MousePointer::Default);
}

TEST_P(ConnectionCheckTest, NothingListeningAndASingleBlankServerFailOnlyAtTheConnection) {
    ShowPage();
    for (const std::string& server : {kSilentServer, std::string(" ")}) {
        SCOPED_TRACE("server \"" + server + "\"");
        Fill(server, Database(), User(), Password());
        m_toolkit.ExpectMsgBox(Failure(), kMsgBoxCritical);
        PressNext();
        ASSERT_FALSE(m_connectionTests.empty()) << "the field check let the server through";
        EXPECT_EQ(m_connectionTests.back()[0], server);
        EXPECT_EQ(Status(), "Database information not correct.");
        EXPECT_THAT(m_toolkit.ShownPages(), ElementsAre(Page()));
    }
    EXPECT_EQ(m_connectionTests.size(), 2u);
}

TEST_P(ConnectionCheckTest, AFailedFieldCheckAttemptsNoConnectionAndKeepsTheStatus) {
    ShowPage();
    // This server would fail the connection; the empty database must stop Next before.
    Fill(kSilentServer, "", User(), Password());
    m_toolkit.ExpectMsgBox("The field 'Database' should contain a value.", kMsgBoxCritical);
    PressNext();
    EXPECT_THAT(m_connectionTests, IsEmpty());
    EXPECT_EQ(Status(), "No Connection...");
    EXPECT_THAT(m_toolkit.JournalOf({"pointer", "doevents", "connect", "text"}), IsEmpty());

    // After a failed attempt the status keeps its text through a later failed field check.
    Fill(kSilentServer, Database(), User(), Password());
    m_toolkit.ExpectMsgBox(Failure(), kMsgBoxCritical);
    PressNext();
    Fill(kSilentServer, Database(), "", Password());
    m_toolkit.ExpectMsgBox("The field 'User' should contain a value.", kMsgBoxCritical);
    PressNext();
    EXPECT_EQ(m_connectionTests.size(), 1u);
    EXPECT_EQ(Status(), "Database information not correct.");
}

INSTANTIATE_TEST_SUITE_P(Pages, ConnectionCheckTest, ::testing::Values("frmSource", "frmDestination"),
                         [](const auto& info) { return info.param; });

using WizardWalkTest = ServerWizardTest;

TEST_F(WizardWalkTest, DatabaseJobFromWelcomeToFinishAndBackKeepsEveryValue) {
    ReachSourcePage();
    FillValidSource();
    m_toolkit.Click("frmSource", "cmdNextofSourcefrm");
    ASSERT_THAT(m_toolkit.ShownPages(), ElementsAre("frmDestination"));
    EXPECT_EQ(m_toolkit.FocusedControl("frmDestination"), "txtDestServer");

    FillValidDestination();
    m_toolkit.ClearJournal();
    m_toolkit.Click("frmDestination", "cmdNextofSourcefrm");
    ASSERT_THAT(m_toolkit.ShownPages(), ElementsAre("frmFinish"));
    EXPECT_EQ(m_toolkit.Text("frmFinish", "lblFinish2"), "- Migrate database content.");
    EXPECT_EQ(m_toolkit.Text("frmFinish", "lblFinish3"), "");
    EXPECT_EQ(m_toolkit.FocusedControl("frmFinish"), "cmdFinish");
    ASSERT_FALSE(m_toolkit.Journal().empty());
    EXPECT_EQ(m_toolkit.Journal().back(), "doevents") << "the summary is painted once it is set";

    m_toolkit.ClearJournal();
    m_toolkit.Click("frmFinish", "cmdBackofFinish");
    EXPECT_THAT(m_toolkit.JournalOf({"show", "hide", "focus"}),
                ElementsAre("hide frmFinish", "show frmDestination", "focus frmDestination.txtDestServer"));
    EXPECT_EQ(m_toolkit.Text("frmDestination", "txtDestServer"), Host());
    EXPECT_EQ(m_toolkit.Text("frmDestination", "txtDestDataBase"), kNewDatabase);
    EXPECT_EQ(m_toolkit.Text("frmDestination", "txtDestPassword"), Password());
    EXPECT_EQ(m_toolkit.Text("frmDestination", "lblStatusDest"), "Database information is valid.");

    m_toolkit.Click("frmDestination", "cmdBackofSourcefrm");
    EXPECT_THAT(m_toolkit.ShownPages(), ElementsAre("frmSource"));
    EXPECT_EQ(m_toolkit.Text("frmSource", "txtSourceServer"), Host());
    EXPECT_EQ(m_toolkit.Text("frmSource", "txtSourceDataBase"), kOldDatabase);
    EXPECT_EQ(m_toolkit.Text("frmSource", "txtSourceUser"), User());
    EXPECT_EQ(m_toolkit.Text("frmSource", "txtSourcePassword"), Password());

    // Forward again: both connections are tested afresh, the summary is set anew.
    TheWizard().Finish().lblFinish2.SetCaption("stale");
    m_toolkit.Click("frmSource", "cmdNextofSourcefrm");
    m_toolkit.Click("frmDestination", "cmdNextofSourcefrm");
    EXPECT_THAT(m_toolkit.ShownPages(), ElementsAre("frmFinish"));
    EXPECT_EQ(m_toolkit.Text("frmFinish", "lblFinish2"), "- Migrate database content.");
    const std::array<std::string, 4> source{Host(), User(), Password(), kOldDatabase};
    const std::array<std::string, 4> destination{Host(), User(), Password(), kNewDatabase};
    EXPECT_THAT(m_connectionTests, ElementsAre(source, destination, source, destination));
    EXPECT_THAT(m_toolkit.MsgBoxes(), IsEmpty());
}

}  // namespace
}  // namespace synvora::test
