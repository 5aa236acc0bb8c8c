#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "files/win32/WideText.h"
#include "support/TempDir.h"
#include "wizard/pages/PageLayouts.h"
#include "wizard/toolkit/TracingToolkit.h"
#include "wizard/win32/Win32PageWindow.h"
#include "wizard/win32/Win32Toolkit.h"

namespace synvora::test {
namespace {

class RecordingEvents final : public PageEvents {
public:
    void OnClick(std::string_view control) override {
        clicks.emplace_back(control);
        if (control == failingControl) {
            throw std::runtime_error("handler failed");
        }
    }
    void OnCloseRequested() override { ++closeRequests; }

    std::vector<std::string> clicks;
    int closeRequests = 0;
    std::string failingControl;
};

/// Keys as the keyboard sends them, through the system's input queue to the focused window.
void SendKeys(std::initializer_list<WORD> held, WORD key) {
    std::vector<INPUT> inputs;
    const auto add = [&inputs](WORD virtualKey, DWORD flags) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = virtualKey;
        input.ki.dwFlags = flags;
        inputs.push_back(input);
    };
    for (WORD modifier : held) {
        add(modifier, 0);
    }
    add(key, 0);
    add(key, KEYEVENTF_KEYUP);
    for (WORD modifier : held) {
        add(modifier, KEYEVENTF_KEYUP);
    }
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void TypeText(std::wstring_view text) {
    std::vector<INPUT> inputs;
    for (wchar_t character : text) {
        for (DWORD flags : {DWORD{KEYEVENTF_UNICODE}, DWORD{KEYEVENTF_UNICODE | KEYEVENTF_KEYUP}}) {
            INPUT input{};
            input.type = INPUT_KEYBOARD;
            input.ki.wScan = character;
            input.ki.dwFlags = flags;
            inputs.push_back(input);
        }
    }
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void ClickAt(HWND control) {
    RECT area{};
    ::GetWindowRect(control, &area);
    ::SetCursorPos((area.left + area.right) / 2, (area.top + area.bottom) / 2);
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ::SendInput(2, inputs, sizeof(INPUT));
}

std::wstring WindowText(HWND window) {
    wchar_t text[512] = {};
    ::GetWindowTextW(window, text, 512);
    return text;
}

/// The visible message box of this thread, nullptr when none is open.
HWND OpenMessageBox() {
    HWND found = nullptr;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND window, LPARAM result) -> BOOL {
            wchar_t className[16] = {};
            ::GetClassNameW(window, className, 16);
            if (std::wstring_view(className) == L"#32770" && ::IsWindowVisible(window)) {
                *reinterpret_cast<HWND*>(result) = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

/// Writes what the screen shows of the window, frame and caption included, as a bitmap file.
bool SaveScreenshot(HWND window, const std::string& path) {
    RECT area{};
    ::GetWindowRect(window, &area);
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = ::SelectObject(memory, bitmap);
    const bool copied = ::BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY) != FALSE;
    ::SelectObject(memory, old);
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    const DWORD imageSize = stride * static_cast<DWORD>(height);
    const DWORD headers = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    const BITMAPFILEHEADER header{0x4d42, headers + imageSize, 0, 0, headers};
    bool written = false;
    if (std::FILE* file = ::_wfopen(Utf8ToWide(path).c_str(), L"wb")) {
        written = std::fwrite(&header, sizeof header, 1, file) == 1 &&
                  std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, file) == 1 &&
                  std::fwrite(bits, imageSize, 1, file) == 1;
        written = std::fclose(file) == 0 && written;
    }
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return copied && written;
}

class Win32ToolkitTest : public ::testing::Test {
protected:
    std::unique_ptr<PageWindow> Open(const PageLayout& layout) {
        auto page = m_toolkit.CreatePage(layout, m_events);
        page->Show();
        PumpUntil([&] { return ::GetForegroundWindow() == Window(*page).Handle(); }, "the page in front");
        return page;
    }

    static Win32PageWindow& Window(PageWindow& page) { return static_cast<Win32PageWindow&>(page); }

    /// Processes events until the condition holds; fails the test after five seconds.
    void PumpUntil(const std::function<bool()>& condition, const std::string& what) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline) {
                ADD_FAILURE() << "no " << what << " within five seconds";
                return;
            }
            m_toolkit.DoEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    /// Presses the key and processes events until the input has been handled.
    void Press(std::initializer_list<WORD> held, WORD key) {
        SendKeys(held, key);
        Settle();
    }

    /// Lets the input sent so far arrive and be handled.
    void Settle() {
        for (int round = 0; round < 10; ++round) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            m_toolkit.DoEvents();
        }
    }

    /// While the next message box is open, runs `answer` on it from the box's own event loop.
    MsgBoxResult AnswerNextBox(std::string_view prompt, int style, std::function<void(HWND)> answer) {
        s_answer = [answer](HWND box) { answer(box); };
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR id, DWORD) {
            if (HWND box = OpenMessageBox(); box != nullptr && s_answer) {
                ::KillTimer(nullptr, id);
                std::exchange(s_answer, nullptr)(box);
            }
        });
        const MsgBoxResult result = m_toolkit.MsgBox(prompt, style);
        ::KillTimer(nullptr, timer);
        EXPECT_FALSE(s_answer) << "no box was shown";
        s_answer = nullptr;
        return result;
    }

    Win32Toolkit m_toolkit;
    RecordingEvents m_events;

    inline static std::function<void(HWND)> s_answer;
};

// Every text the layouts give reaches the screen and comes back, and so does what the program
// sets later, in any script: UTF-8 inside, UTF-16 in the windows.
TEST_F(Win32ToolkitTest, TextsOfTheLayoutsAndOfTheProgramRoundTrip) {
    for (const PageLayout* layout :
         {&WelcomeLayout(), &SourceLayout(), &DestinationLayout(), &WebLayout(), &FinishLayout()}) {
        auto page = m_toolkit.CreatePage(*layout, m_events);
        EXPECT_EQ(WindowText(Window(*page).Handle()), L"Migration Wizard ") << layout->name;
        for (const ControlLayout& control : layout->controls) {
            EXPECT_EQ(page->Text(control.name), control.caption) << layout->name << "." << control.name;
        }
    }

    const auto finish = Open(FinishLayout());
    const std::string text = "Müller – 東京 ✓ 𝄞 \"quoted\" & more";
    for (const char* control : {"lblStep1", "frmFinish2", "frmFinish1", "cmdFinish", "prgCopy"}) {
        finish->SetText(control, text);
        EXPECT_EQ(finish->Text(control), text) << control;
    }
    EXPECT_EQ(WindowText(Window(*finish).ControlHandle("lblStep1")), L"Müller – 東京 ✓ 𝄞 \"quoted\" & more");
    EXPECT_EQ(WindowText(Window(*finish).ControlHandle("frmFinish1")), L"")
        << "a borderless frame shows no caption";

    const auto source = Open(SourceLayout());
    source->SetFocus("txtSourceServer");
    Settle();
    TypeText(L"Sørvér-1");
    Settle();
    EXPECT_EQ(source->Text("txtSourceServer"), "Sørvér-1") << "typed by the user";
}

// The pages show the program's icon, drawn into the program's resources at build time.
TEST_F(Win32ToolkitTest, PagesCarryTheProgramsIcon) {
    const auto page = m_toolkit.CreatePage(WelcomeLayout(), m_events);
    for (const auto& [kind, metric] : {std::pair{ICON_BIG, SM_CXICON}, std::pair{ICON_SMALL, SM_CXSMICON}}) {
        const auto icon =
            reinterpret_cast<HICON>(::SendMessageW(Window(*page).Handle(), WM_GETICON, kind, 0));
        ASSERT_NE(icon, nullptr);
        ICONINFO info{};
        ASSERT_TRUE(::GetIconInfo(icon, &info));
        BITMAP colour{};
        ::GetObjectW(info.hbmColor, sizeof colour, &colour);
        EXPECT_EQ(colour.bmWidth, ::GetSystemMetrics(metric));
        EXPECT_EQ(colour.bmBitsPixel, 32) << "with its transparency";
        ::DeleteObject(info.hbmColor);
        ::DeleteObject(info.hbmMask);
    }
}

// Password fields show "*" for every character and still hold the text typed.
TEST_F(Win32ToolkitTest, PasswordFieldsMaskEveryCharacter) {
    const auto page = Open(WebLayout());
    const HWND password = Window(*page).ControlHandle("txtWebPassword");
    EXPECT_EQ(::SendMessageW(password, EM_GETPASSWORDCHAR, 0, 0), L'*');
    EXPECT_EQ(::SendMessageW(Window(*page).ControlHandle("txtWebServer"), EM_GETPASSWORDCHAR, 0, 0), 0);
    page->SetFocus("txtWebPassword");
    Settle();
    TypeText(L"Geh€im 1");
    Settle();
    EXPECT_EQ(page->Text("txtWebPassword"), "Geh€im 1");
}

// Tab visits the tab stops in the layout's order, passing over a disabled button, and the focus
// a page had comes back when it is shown again.
TEST_F(Win32ToolkitTest, TabFollowsTheLayoutsOrder) {
    const auto welcome = Open(WelcomeLayout());
    std::vector<std::string> visited{Window(*welcome).FocusedControl()};
    for (int step = 0; step < 3; ++step) {
        Press({}, VK_TAB);
        visited.push_back(Window(*welcome).FocusedControl());
    }
    EXPECT_EQ(visited, (std::vector<std::string>{"cmdCancelofWelcome", "Optionweb", "Optiondb",
                                                 "cmdCancelofWelcome"}));

    const auto web = Open(WebLayout());
    web->SetFocus("txtWebServer");
    visited = {Window(*web).FocusedControl()};
    for (int step = 0; step < 8; ++step) {
        Press({}, VK_TAB);
        visited.push_back(Window(*web).FocusedControl());
    }
    EXPECT_EQ(visited,
              (std::vector<std::string>{"txtWebServer", "txtWebUser", "txtWebPassword",
                                        "txtWebInstallationFolder", "GetInstallFolder", "cmdBackofWebfrm",
                                        "cmdNextofwebfrm", "cmdCancelofWebfrm", "txtWebServer"}));
    Press({VK_SHIFT}, VK_TAB);
    EXPECT_EQ(Window(*web).FocusedControl(), "cmdCancelofWebfrm") << "Shift+Tab goes back";

    web->Hide();
    welcome->Show();
    PumpUntil([&] { return Window(*welcome).FocusedControl() == "cmdCancelofWelcome"; },
              "focus back on Cancel");
}

// Clicks, keys and access keys reach the page as clicks; a disabled control takes none, and a
// value set by the program is no click.
TEST_F(Win32ToolkitTest, ClicksAndAccessKeysAreDelivered) {
    const auto welcome = Open(WelcomeLayout());
    welcome->SetValue("Optiondb", 1);
    EXPECT_EQ(welcome->Value("Optiondb"), 1);
    welcome->SetValue("Optiondb", 0);
    EXPECT_TRUE(m_events.clicks.empty());

    ClickAt(Window(*welcome).ControlHandle("Optionweb"));
    PumpUntil([&] { return !m_events.clicks.empty(); }, "click on the check box");
    EXPECT_EQ(welcome->Value("Optionweb"), 1);
    Press({}, VK_TAB);
    Press({}, VK_SPACE);
    EXPECT_EQ(welcome->Value("Optiondb"), 1) << "Space on the focused check box";

    Press({VK_MENU}, 'N');
    EXPECT_EQ(m_events.clicks, (std::vector<std::string>{"Optionweb", "Optiondb"})) << "Next is disabled";
    welcome->SetEnabled("cmdNextofWelcome", true);
    Press({VK_MENU}, 'N');
    welcome->SetFocus("cmdCancelofWelcome");
    Press({}, VK_RETURN);
    EXPECT_EQ(m_events.clicks,
              (std::vector<std::string>{"Optionweb", "Optiondb", "cmdNextofWelcome", "cmdCancelofWelcome"}))
        << "Alt+N, then Enter on the focused button";

    // Enter in a text field presses nothing: no page has a default button.
    const auto source = Open(SourceLayout());
    source->SetFocus("txtSourceServer");
    m_events.clicks.clear();
    Press({}, VK_RETURN);
    EXPECT_TRUE(m_events.clicks.empty());

    // A click that waits is handled inside DoEvents, as during a job's pause; what its handler
    // raises comes out of DoEvents.
    ::PostMessageW(Window(*source).ControlHandle("cmdCancelofSourcefrm"), BM_CLICK, 0, 0);
    m_toolkit.DoEvents();
    EXPECT_EQ(m_events.clicks, std::vector<std::string>{"cmdCancelofSourcefrm"});
    m_events.failingControl = "cmdBackofSourcefrm";
    ::PostMessageW(Window(*source).ControlHandle("cmdBackofSourcefrm"), BM_CLICK, 0, 0);
    EXPECT_THROW(m_toolkit.DoEvents(), std::runtime_error);
    m_toolkit.DoEvents();
}

// Hidden and disabled controls follow the program and their frames; the focus leaves a button
// that is disabled under it, so that the keys keep working.
TEST_F(Win32ToolkitTest, EnabledAndVisibleFollowTheProgramAndTheFrames) {
    const auto finish = Open(FinishLayout());
    const HWND bar = Window(*finish).ControlHandle("prgCopy");
    EXPECT_FALSE(finish->Visible("prgCopy"));
    EXPECT_FALSE(::IsWindowVisible(bar));
    finish->SetVisible("prgCopy", true);
    finish->SetValue("prgCopy", 500);
    EXPECT_TRUE(::IsWindowVisible(bar));
    EXPECT_EQ(finish->Value("prgCopy"), 500);
    EXPECT_THROW(finish->SetValue("prgCopy", kProgressMaximum + 1), std::logic_error);
    EXPECT_THROW(finish->Value("lblStep1"), std::logic_error);

    finish->SetEnabled("frmFinish2", false);
    EXPECT_FALSE(finish->Enabled("lblStep3"));
    EXPECT_FALSE(::IsWindowEnabled(Window(*finish).ControlHandle("lblStep3")));
    finish->SetVisible("frmFinish2", false);
    EXPECT_FALSE(::IsWindowVisible(Window(*finish).ControlHandle("lblStep3")));
    EXPECT_TRUE(finish->Visible("lblStep3")) << "the step line itself was not hidden";

    finish->SetFocus("cmdFinish");
    Settle();
    finish->SetEnabled("cmdFinish", false);
    finish->SetEnabled("cmdBackofFinish", false);
    EXPECT_FALSE(finish->Enabled("cmdFinish"));
    EXPECT_EQ(Window(*finish).FocusedControl(), "cmdCancelofSourcefrm");
    Press({VK_MENU}, 'E');
    EXPECT_EQ(m_events.clicks, std::vector<std::string>{"cmdCancelofSourcefrm"});
}

// Message boxes are modal over the page, carry the application title and the prompt, and answer
// with the button pressed; Yes is the default of a question.
TEST_F(Win32ToolkitTest, MessageBoxesAnswerWithTheButtonPressed) {
    const auto page = Open(WelcomeLayout());
    const HWND window = Window(*page).Handle();
    std::wstring title;
    std::wstring prompt;
    bool pageTookInput = true;
    EXPECT_EQ(AnswerNextBox("Create this folder on server 'Ünïcode'?", kMsgBoxYesNo,
                            [&](HWND box) {
                                title = WindowText(box);
                                prompt = WindowText(::GetDlgItem(box, 0xffff));
                                pageTookInput = ::IsWindowEnabled(window) != FALSE;
                                SendKeys({}, VK_RETURN);
                            }),
              MsgBoxResult::Yes);
    EXPECT_EQ(title, L"Synvora 2.5 - Migration");
    EXPECT_EQ(prompt, L"Create this folder on server 'Ünïcode'?");
    EXPECT_FALSE(pageTookInput);
    EXPECT_TRUE(::IsWindowEnabled(window));

    EXPECT_EQ(AnswerNextBox("Stop?", kMsgBoxYesNo, [](HWND) { SendKeys({}, 'N'); }), MsgBoxResult::No);
    EXPECT_EQ(AnswerNextBox("Finished Migration.", kMsgBoxInformation, [](HWND) { SendKeys({}, VK_RETURN); }),
              MsgBoxResult::Ok);
    EXPECT_THROW(m_toolkit.MsgBox("?", 3), std::invalid_argument);
}

// At the end of the session the open box closes with its escape answer, and later ones answer
// so at once, unseen.
TEST_F(Win32ToolkitTest, BoxesAreDismissedAtTheEndOfTheSession) {
    const auto page = Open(FinishLayout());
    EXPECT_EQ(
        AnswerNextBox("Stop the copy?", kMsgBoxYesNo, [this](HWND) { m_toolkit.DismissMessageBoxes(); }),
        MsgBoxResult::No);
    const UINT_PTR watch = ::SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR, DWORD) {
        if (HWND box = OpenMessageBox()) {
            ADD_FAILURE() << "a box was shown after the dismissal";
            ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
    });
    EXPECT_EQ(m_toolkit.MsgBox("Finished Migration.", kMsgBoxInformation), MsgBoxResult::Ok);
    EXPECT_EQ(m_toolkit.MsgBox("Create?", kMsgBoxYesNo), MsgBoxResult::No);
    Settle();
    ::KillTimer(nullptr, watch);
}

// Closing through the frame only asks the page; Windows ending the session runs the program's
// answer once, and waits for a program that has not quit after it.
TEST_F(Win32ToolkitTest, CloseAndSessionEndAreTheProgramsToAnswer) {
    const auto page = Open(SourceLayout());
    ::SendMessageW(Window(*page).Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(m_events.closeRequests, 1);
    EXPECT_TRUE(page->IsVisible());

    int sessionEnds = 0;
    m_toolkit.OnSessionEnd([&sessionEnds] { ++sessionEnds; });
    EXPECT_EQ(::SendMessageW(Window(*page).Handle(), WM_QUERYENDSESSION, 0, 0), FALSE)
        << "a run still stopping";
    m_toolkit.Quit();
    EXPECT_EQ(::SendMessageW(Window(*page).Handle(), WM_QUERYENDSESSION, 0, 0), TRUE);
    EXPECT_EQ(sessionEnds, 1);
    EXPECT_EQ(m_toolkit.Run(), 0) << "Quit before the loop ends it at once";
}

// The hourglass while the program works, the normal pointer over a message box meanwhile.
TEST_F(Win32ToolkitTest, BusyPointerIsApplicationWide) {
    const auto page = Open(WelcomeLayout());
    m_toolkit.SetMousePointer(MousePointer::Busy);
    EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_WAIT));
    bool busyOverBox = true;
    AnswerNextBox("Finished Migration.", kMsgBoxInformation, [&](HWND) {
        busyOverBox = m_toolkit.Busy();
        SendKeys({}, VK_RETURN);
    });
    EXPECT_FALSE(busyOverBox);
    EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_WAIT)) << "back after the box";
    m_toolkit.SetMousePointer(MousePointer::Default);
    EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_ARROW));
}

// What the screen shows reaches the trace on Windows too, appended to what an earlier run left,
// for whoever drives the window from outside.
TEST_F(Win32ToolkitTest, TheTraceFollowsTheScreen) {
    TempDir dir;
    const std::string path = dir / "trace.txt";
    WriteBytes(path, "earlier run\n");
    {
        TracingToolkit trace(m_toolkit, path);
        const auto page = trace.CreatePage(SourceLayout(), m_events);
        page->Show();
        page->SetText("lblStatusSource", "Database information is valid. ✓");
        EXPECT_EQ(page->Text("lblStatusSource"), "Database information is valid. ✓");
        trace.Quit();
    }
    EXPECT_EQ(ReadBytes(path),
              "earlier run\nshow frmSource\ntext frmSource.lblStatusSource=Database information is "
              "valid. ✓\nquit\n");
    EXPECT_THROW(TracingToolkit(m_toolkit, dir / "no such folder/trace.txt"), std::runtime_error);
}

// A picture of each page as the toolkit draws it, for a look beside the Qt pages.
TEST_F(Win32ToolkitTest, PagesArePhotographed) {
    std::filesystem::create_directories(std::filesystem::path(Utf8ToWide(SYNVORA_SCREENSHOT_DIR)));
    for (const PageLayout* layout :
         {&WelcomeLayout(), &SourceLayout(), &DestinationLayout(), &WebLayout(), &FinishLayout()}) {
        const auto page = Open(*layout);
        Settle();
        EXPECT_TRUE(
            SaveScreenshot(Window(*page).Handle(), SYNVORA_SCREENSHOT_DIR "/" + layout->name + ".bmp"))
            << layout->name;
    }
}

}  // namespace
}  // namespace synvora::test
