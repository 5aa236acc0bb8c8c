#pragma once

#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "wizard/toolkit/PageToolkit.h"
#include "wizard/win32/UserInterfaceApi.h"

namespace synvora {

class Win32PageWindow;

/// The window toolkit on the Win32 API: each page a top-level window of native controls (static
/// texts, edit fields, buttons, group boxes, the common controls' progress bar), message boxes
/// through MessageBoxW, the dialog manager's keyboard handling (Tab, access keys) on every page.
/// UTF-8 at this interface, UTF-16 at every call. One per process, on the thread that made it.
class Win32Toolkit final : public PageToolkit {
public:
    Win32Toolkit();
    Win32Toolkit(const Win32Toolkit&) = delete;
    Win32Toolkit& operator=(const Win32Toolkit&) = delete;
    ~Win32Toolkit() override;

    std::unique_ptr<PageWindow> CreatePage(const PageLayout& layout, PageEvents& events) override;
    MsgBoxResult MsgBox(std::string_view prompt, int style) override;
    void SetMousePointer(MousePointer pointer) override;
    void DoEvents() override;
    void Quit() override;

    /// The event loop: returns once Quit was called (at once when it was called before).
    int Run();
    /// True once Quit was called.
    bool QuitRequested() const { return m_quitRequested; }

    /// For the end of the session: the message boxes open now close as their escape button
    /// closes them (No, or OK), and every later one gives that answer at once, unseen, so that
    /// nothing waits for a user who has gone.
    void DismissMessageBoxes();
    /// What to do when Windows ends the session (log-off, shut-down) while the program runs;
    /// called once, from the event loop. When the program has not quit after it (a run has to
    /// stop first), Windows is asked to wait, with the reason shown to the user.
    void OnSessionEnd(std::function<void()> action);

    /// The window of a loaded page, nullptr when the page is not loaded.
    HWND PageHandle(std::string_view page) const;

    // For the page windows.
    HFONT FontOf(const FontSpec& font);
    /// Layout pixels (96 per inch) in pixels of this screen.
    int Scaled(int layoutPixels) const;
    bool Busy() const { return m_busy && m_openBoxes == 0; }
    HICON Icon(bool small) const { return small ? m_smallIcon : m_bigIcon; }
    ATOM PageClass() const { return m_pageClass; }
    /// Answers WM_QUERYENDSESSION: whether the session may end now.
    bool SessionEnding();
    /// A page's handler raised inside the event loop: the loop ends, and DoEvents or Run raises it
    /// to their caller, as if the handler had been called from there.
    void HandlerFailed(std::exception_ptr failure);
    void Register(const std::string& page, HWND window);
    void Unregister(const std::string& page, HWND window);

private:
    /// Hands a message to the dialog manager of its page (Tab, access keys, Enter), or dispatches it.
    void Dispatch(MSG& message);
    HWND MessageBoxOwner() const;
    void RaiseHandlerFailure();

    ATOM m_pageClass = 0;
    int m_dpi = 96;
    NONCLIENTMETRICSW m_metrics{};
    std::map<std::string, HFONT, std::less<>> m_fonts;
    std::map<std::string, HWND, std::less<>> m_pages;
    HICON m_bigIcon = nullptr;
    HICON m_smallIcon = nullptr;
    std::function<void()> m_onSessionEnd;
    std::exception_ptr m_handlerFailure;
    bool m_sessionEnded = false;
    bool m_busy = false;
    bool m_quitRequested = false;
    bool m_dismissing = false;
    int m_openBoxes = 0;
    int m_exitCode = 0;
};

}  // namespace synvora
