#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "wizard/toolkit/PageToolkit.h"
#include "wizard/win32/UserInterfaceApi.h"

namespace synvora {

class Win32Toolkit;

/// One control of a page window as drawn: every control is a child of the page window itself,
/// placed at its frame's offset, so that the dialog manager sees all tab stops of the page.
struct Win32Control {
    ControlKind kind = ControlKind::Label;
    std::string name;
    std::string container;
    HWND handle = nullptr;
    int id = 0;
    /// As the program set them; what shows also depends on the enclosing frames.
    bool visible = true;
    bool enabled = true;
    /// On the header band's background (a frame with the highlight-text colour, or inside one).
    bool onHighlightBand = false;
    /// A borderless frame's caption and a progress bar's line are kept here, not as window text:
    /// the frame shows none, the bar draws its own.
    bool textHeldApart = false;
    std::wstring text;
};

/// A page drawn with native controls from its layout. Closing through the frame is only told to
/// the page (OnCloseRequested); the page decides. Destroying it destroys the window; no event
/// reaches the page afterwards.
class Win32PageWindow final : public PageWindow {
public:
    Win32PageWindow(Win32Toolkit& toolkit, const PageLayout& layout, PageEvents& events);
    Win32PageWindow(const Win32PageWindow&) = delete;
    Win32PageWindow& operator=(const Win32PageWindow&) = delete;
    ~Win32PageWindow() override;

    void Show() override;
    void Hide() override;
    bool IsVisible() const override;
    void SetFocus(std::string_view control) override;
    std::string Text(std::string_view control) const override;
    void SetText(std::string_view control, std::string_view text) override;
    int Value(std::string_view control) const override;
    void SetValue(std::string_view control, int value) override;
    bool Visible(std::string_view control) const override;
    void SetVisible(std::string_view control, bool visible) override;
    bool Enabled(std::string_view control) const override;
    void SetEnabled(std::string_view control, bool enabled) override;

    HWND Handle() const { return m_window; }
    /// The control's window, for tests that press keys or look at styles.
    HWND ControlHandle(std::string_view control) const;
    /// The name of the control that has the keyboard focus, "" when none of this page has it.
    std::string FocusedControl() const;

    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void CreateControls(const PageLayout& layout);
    HWND CreateControl(const ControlLayout& control, int id, POINT origin);
    void OrderTabStops(const PageLayout& layout);
    Win32Control& Find(std::string_view control);
    const Win32Control& Find(std::string_view control) const;
    const Win32Control* FindById(int id) const;
    const Win32Control* FindByHandle(HWND handle) const;
    /// Shows, hides, enables and disables the control and what its frame holds, as the frames
    /// around each one allow.
    void ApplyState(const Win32Control& changed);
    bool ShownByFrames(const Win32Control& control) const;
    bool EnabledByFrames(const Win32Control& control) const;
    /// The focus leaves a control that is about to be hidden or disabled for the next tab stop.
    void MoveFocusAwayFrom(HWND control);
    void RestoreFocus();
    void Dispatch(int id, WORD notification);

    Win32Toolkit& m_toolkit;
    PageEvents& m_events;
    std::string m_name;
    HWND m_window = nullptr;
    std::map<std::string, Win32Control, std::less<>> m_controls;
    std::vector<HWND> m_tabStops;
    /// The control that had the focus when the page was last deactivated or hidden.
    HWND m_lastFocus = nullptr;
};

}  // namespace synvora
