#include <gmock/gmock.h>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "support/headless/HeadlessToolkit.h"
#include "wizard/toolkit/PageToolkit.h"

namespace synvora::test {
namespace {

using ::testing::ElementsAre;

/// Records the events a page receives.
class RecordingEvents : public PageEvents {
public:
    void OnClick(std::string_view control) override { clicks.emplace_back(control); }
    void OnCloseRequested() override { ++closeRequests; }
    std::vector<std::string> clicks;
    int closeRequests = 0;
};

PageLayout SmallPage() {
    return PageLayout{.name = "frmTest",
                      .controls = {
                          {.kind = ControlKind::CheckBox, .name = "chk", .caption = "Check"},
                          {.kind = ControlKind::Button, .name = "cmdOff", .caption = "Off", .enabled = false},
                          {.kind = ControlKind::TextField, .name = "txt"},
                          {.kind = ControlKind::Label, .name = "lbl"},
                      }};
}

// The test double must catch what a real screen or a careful tester would: these tests make sure
// it does, since every page test relies on it.
TEST(HeadlessToolkitTest, UnexpectedOrMismatchedMessageBoxFailsTheTestWithItsText) {
    HeadlessToolkit toolkit;
    EXPECT_NONFATAL_FAILURE(toolkit.MsgBox("Surprise!", kMsgBoxCritical),
                            "unexpected message box: \"Surprise!\"");
    toolkit.ExpectMsgBox("Expected", kMsgBoxOkOnly);
    EXPECT_NONFATAL_FAILURE(toolkit.MsgBox("Expected", kMsgBoxCritical), "style of the message box");
}

TEST(HeadlessToolkitTest, ScriptedAnswersAreReturnedAndUnshownBoxesFailAtTheEnd) {
    EXPECT_NONFATAL_FAILURE(
        {
            HeadlessToolkit toolkit;
            toolkit.ExpectMsgBox("Go on?", kMsgBoxYesNo, MsgBoxResult::No);
            EXPECT_EQ(toolkit.MsgBox("Go on?", kMsgBoxYesNo), MsgBoxResult::No);
            toolkit.ExpectMsgBox("Never shown", kMsgBoxOkOnly);
        },
        "expected message box never shown: \"Never shown\"");
}

TEST(HeadlessToolkitTest, ClicksToggleCheckBoxesFirstAndDisabledControlsIgnoreThem) {
    HeadlessToolkit toolkit;
    RecordingEvents events;
    const auto window = toolkit.CreatePage(SmallPage(), events);
    window->Show();
    toolkit.Click("frmTest", "chk");
    EXPECT_EQ(window->Value("chk"), 1);
    toolkit.Click("frmTest", "cmdOff");
    EXPECT_THAT(events.clicks, ElementsAre("chk"));

    window->Hide();
    EXPECT_NONFATAL_FAILURE(toolkit.Click("frmTest", "chk"), "is hidden");
    EXPECT_NONFATAL_FAILURE(window->SetFocus("txt"), "while the page is hidden");
    EXPECT_THROW(window->Value("txt"), std::logic_error);
    EXPECT_THROW(window->Text("nothing"), std::logic_error);
}

TEST(HeadlessToolkitTest, ASecondLiveInstanceOfAPageFailsTheTest) {
    HeadlessToolkit toolkit;
    RecordingEvents events;
    const auto first = toolkit.CreatePage(SmallPage(), events);
    EXPECT_NONFATAL_FAILURE(toolkit.CreatePage(SmallPage(), events), "a second instance of frmTest");
}

TEST(HeadlessToolkitTest, ActionsQueuedForAPauseRunInsideTheNextDoEventsOnly) {
    HeadlessToolkit toolkit;
    RecordingEvents events;
    const auto window = toolkit.CreatePage(SmallPage(), events);
    window->Show();
    toolkit.DuringNextDoEvents([&] { toolkit.Click("frmTest", "chk"); });
    toolkit.SetMousePointer(MousePointer::Busy);
    EXPECT_TRUE(events.clicks.empty());
    toolkit.DoEvents();
    toolkit.DoEvents();
    EXPECT_THAT(events.clicks, ElementsAre("chk"));
    EXPECT_THAT(toolkit.JournalOf({"pointer", "doevents", "value"}),
                ElementsAre("pointer busy", "doevents", "doevents"));
}

}  // namespace
}  // namespace synvora::test
