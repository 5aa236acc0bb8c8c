#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "wizard/toolkit/PageToolkit.h"

class QMessageBox;
class QObject;
class QWidget;

namespace synvora {

/// The window toolkit on Qt Widgets. Needs a QApplication for its whole life; installs the
/// program's style and icon, and leaves ending the program to the wizard (Quit), not to the
/// last window closing.
class QtToolkit final : public PageToolkit {
public:
    QtToolkit();
    QtToolkit(const QtToolkit&) = delete;
    QtToolkit& operator=(const QtToolkit&) = delete;
    ~QtToolkit() override;

    std::unique_ptr<PageWindow> CreatePage(const PageLayout& layout, PageEvents& events) override;
    MsgBoxResult MsgBox(std::string_view prompt, int style) override;
    void SetMousePointer(MousePointer pointer) override;
    void DoEvents() override;
    void Quit() override;

    /// True once Quit was called; a Quit before the event loop runs is not lost on the caller.
    bool QuitRequested() const { return m_quitRequested; }

    /// The window of a loaded page, nullptr when the page is not loaded.
    QWidget* PageWidget(std::string_view page) const;

    /// Runs the action once, as soon as the first page window has been painted.
    void OnFirstPaint(std::function<void()> action);

    /// For the end of the session: the message boxes open now close as their escape button
    /// closes them (No, or OK), and every later one gives that answer at once, unseen, so that
    /// nothing waits for a user who has gone.
    void DismissMessageBoxes();

private:
    friend class TrackedPageWindow;

    std::map<std::string, QWidget*, std::less<>> m_pages;
    std::unique_ptr<QObject> m_firstPaintWatcher;
    bool m_busy = false;
    bool m_quitRequested = false;
    bool m_dismissing = false;
    /// The boxes shown now, the innermost last.
    std::vector<QMessageBox*> m_openBoxes;
};

}  // namespace synvora
