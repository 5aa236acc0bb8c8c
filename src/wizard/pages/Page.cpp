#include "Page.h"

#include "wizard/Wizard.h"

namespace synvora {

Page::Page(Wizard& wizard, const PageLayout& layout)
    : m_wizard(wizard), m_name(layout.name), m_window(wizard.Toolkit().CreatePage(layout, *this)) {}

Page::~Page() = default;

PageToolkit& Page::Toolkit() const {
    return m_wizard.Toolkit();
}

void Page::Show() {
    if (!m_unloaded) {
        m_window->Show();
    }
}

void Page::Hide() {
    m_window->Hide();
}
bool Page::IsVisible() const {
    return m_window->IsVisible();
}

void Page::Unload() {
    m_unloaded = true;
    m_window->Hide();
}

// An unloaded page ignores events still queued for its window. The scope may destroy this page
// on its way out: nothing of the page is touched after it.
void Page::OnClick(std::string_view control) {
    if (m_unloaded) {
        return;
    }
    const Wizard::HandlerScope scope(m_wizard);
    Click(control);
}

void Page::OnCloseRequested() {
    if (m_unloaded) {
        return;
    }
    const Wizard::HandlerScope scope(m_wizard);
    CloseRequested();
}

}  // namespace synvora
