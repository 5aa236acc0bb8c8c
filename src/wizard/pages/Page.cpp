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
    m_window->Show();
}
void Page::Hide() {
    m_window->Hide();
}
bool Page::IsVisible() const {
    return m_window->IsVisible();
}

}  // namespace synvora
