#pragma once

#include <memory>
#include <string>

#include "wizard/toolkit/PageToolkit.h"

namespace synvora {

class Wizard;

/// Base of the five wizard pages: owns the page's window and receives its events. A page exists
/// at most once, held by the Wizard; a handler that ends in UnloadAllPages has destroyed its own
/// page and must return at once.
class Page : public PageEvents {
public:
    Page(Wizard& wizard, const PageLayout& layout);
    Page(const Page&) = delete;
    Page& operator=(const Page&) = delete;
    ~Page() override;

    const std::string& Name() const { return m_name; }
    void Show();
    void Hide();
    bool IsVisible() const;

protected:
    Wizard& TheWizard() const { return m_wizard; }
    PageToolkit& Toolkit() const;
    PageWindow& Window() const { return *m_window; }

private:
    Wizard& m_wizard;
    std::string m_name;
    std::unique_ptr<PageWindow> m_window;
};

}  // namespace synvora
