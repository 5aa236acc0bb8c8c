#pragma once

#include <memory>
#include <string>

#include "wizard/toolkit/PageToolkit.h"

namespace synvora {

class Wizard;

/// Base of the wizard pages: owns the page's window and receives its events. A page exists at
/// most once, held by the Wizard. When UnloadAllPages runs inside a handler, the pages are closed
/// at once but destroyed only when the outermost handler has returned, so code still running on
/// a page (say, after DoEvents handled Cancel) finds it intact; such code should look at
/// IsUnloaded and stop.
class Page : public PageEvents {
public:
    Page(Wizard& wizard, const PageLayout& layout);
    Page(const Page&) = delete;
    Page& operator=(const Page&) = delete;
    ~Page() override;

    const std::string& Name() const { return m_name; }
    /// Shows the window; a page that was unloaded stays closed.
    void Show();
    void Hide();
    bool IsVisible() const;
    /// True once UnloadAllPages has discarded the page.
    bool IsUnloaded() const { return m_unloaded; }

    void OnClick(std::string_view control) final;
    void OnCloseRequested() final;

protected:
    Wizard& TheWizard() const { return m_wizard; }
    PageToolkit& Toolkit() const;
    PageWindow& Window() const { return *m_window; }

private:
    friend class Wizard;

    /// The page's own reaction to a click on one of its buttons or check boxes.
    virtual void Click(std::string_view control) = 0;
    /// The page's reaction to its window being closed through the frame.
    virtual void CloseRequested() = 0;

    /// Closes the window for good; the Wizard destroys the page when no handler runs any more.
    void Unload();

    Wizard& m_wizard;
    std::string m_name;
    std::unique_ptr<PageWindow> m_window;
    bool m_unloaded = false;
};

}  // namespace synvora
