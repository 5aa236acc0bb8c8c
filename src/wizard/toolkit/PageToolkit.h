#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "PageLayout.h"
#include "jobhost/MessageBoxes.h"

namespace synvora {

enum class MousePointer { Default, Busy };

/// Receives the user's actions on one page. Called on the user-interface thread, from the event
/// loop or from inside DoEvents.
class PageEvents {
public:
    virtual ~PageEvents() = default;
    /// A button was pressed, or a check box clicked (its value has already changed).
    virtual void OnClick(std::string_view control) = 0;
    /// The user closed the window through its frame.
    virtual void OnCloseRequested() = 0;
};

/// One page window drawn by the toolkit. Controls are addressed by their layout names; naming a
/// control the layout does not have, or asking a control for a property its kind lacks, is a
/// programming error and throws std::logic_error. Destroying the window closes it and delivers
/// no further events; it is safe to do so from inside one of its own event handlers, provided the
/// handler touches nothing of the page afterwards.
class PageWindow {
public:
    virtual ~PageWindow() = default;

    /// Non-modal: the caller goes on at once.
    virtual void Show() = 0;
    virtual void Hide() = 0;
    virtual bool IsVisible() const = 0;
    /// Moves the keyboard focus to a text field, check box or button of the shown page.
    virtual void SetFocus(std::string_view control) = 0;

    /// Text of a text field; caption of a label, button, check box or frame; the text a progress
    /// bar shows.
    virtual std::string Text(std::string_view control) const = 0;
    virtual void SetText(std::string_view control, std::string_view text) = 0;

    /// Value of a check box, 0 or 1, or of a progress bar, 0 to kProgressMaximum. Setting it fires
    /// no event.
    virtual int Value(std::string_view control) const = 0;
    virtual void SetValue(std::string_view control, int value) = 0;

    /// Whether the control is shown on its page (a hidden page shows none of its controls).
    virtual bool Visible(std::string_view control) const = 0;
    virtual void SetVisible(std::string_view control, bool visible) = 0;

    virtual bool Enabled(std::string_view control) const = 0;
    virtual void SetEnabled(std::string_view control, bool enabled) = 0;
};

/// The window toolkit as the pages and jobs see it. Implementations: Qt Widgets for the program,
/// a headless one for tests.
class PageToolkit {
public:
    virtual ~PageToolkit() = default;

    /// Creates a hidden page window from its layout; its events go to the given receiver, which
    /// must outlive the window.
    virtual std::unique_ptr<PageWindow> CreatePage(const PageLayout& layout, PageEvents& events) = 0;

    /// Modal message box with the application title; returns the button pressed. While the busy
    /// pointer is set, the box shows the normal pointer and the busy one returns afterwards.
    virtual MsgBoxResult MsgBox(std::string_view prompt, int style) = 0;

    /// Application-wide mouse pointer.
    virtual void SetMousePointer(MousePointer pointer) = 0;

    /// Handles every waiting event (painting, clicks) once and returns.
    virtual void DoEvents() = 0;

    /// Ends the event loop; called when the last page has been discarded.
    virtual void Quit() = 0;
};

}  // namespace synvora
