#include <gtest/gtest.h>
#include <sys/stat.h>

#include <stdexcept>
#include <string>

#include "support/TempDir.h"
#include "support/headless/HeadlessToolkit.h"
#include "wizard/toolkit/TracingToolkit.h"

namespace synvora::test {
namespace {

class IgnoredEvents : public PageEvents {
public:
    void OnClick(std::string_view) override {}
    void OnCloseRequested() override {}
};

PageLayout TracedPage() {
    return PageLayout{.name = "frmTest",
                      .controls = {
                          {.kind = ControlKind::Label, .name = "lblStatus"},
                          {.kind = ControlKind::TextField, .name = "txtName"},
                      }};
}

// Whoever drives the real window reads the trace to know what the screen shows: every change
// arrives as one whole line, in order, while the inner toolkit still does the work.
TEST(TracingToolkitTest, WritesWhatTheScreenShowsLineByLineAndPassesEverythingOn) {
    TempDir dir;
    const std::string path = dir / "trace.txt";
    WriteBytes(path, "earlier run\n");
    HeadlessToolkit screen;
    IgnoredEvents events;
    {
        TracingToolkit trace(screen, path);
        const auto window = trace.CreatePage(TracedPage(), events);
        window->Show();
        window->SetText("lblStatus", "Checking...\r\nstill checking");
        screen.Type("frmTest", "txtName", "typed by the user");
        screen.ExpectMsgBox("Create this folder?", kMsgBoxYesNo, MsgBoxResult::Yes);
        EXPECT_EQ(trace.MsgBox("Create this folder?", kMsgBoxYesNo), MsgBoxResult::Yes);
        window->Hide();
        trace.Quit();
        EXPECT_EQ(screen.Text("frmTest", "lblStatus"), "Checking...\r\nstill checking");
        EXPECT_TRUE(screen.QuitCalled());
    }

    EXPECT_EQ(ReadBytes(path),
              "earlier run\n"
              "show frmTest\n"
              "text frmTest.lblStatus=Checking...\\nstill checking\n"
              "msgbox 4 Create this folder?\n"
              "answer Yes\n"
              "hide frmTest\n"
              "quit\n");
    struct stat status {};
    const std::string fresh = dir / "fresh.txt";
    TracingToolkit{screen, fresh};
    ASSERT_EQ(::stat(fresh.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    EXPECT_THROW(TracingToolkit(screen, dir / "missing/trace.txt"), std::runtime_error);
}

}  // namespace
}  // namespace synvora::test
