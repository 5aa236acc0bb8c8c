#include "Wizard.h"

#include <stdexcept>
#include <utility>

#include "wizard/pages/frmDestination.h"
#include "wizard/pages/frmFinish.h"
#include "wizard/pages/frmSource.h"
#include "wizard/pages/frmWelcome.h"

namespace synvora {

namespace {

template <typename PageType>
PageType& LoadOnFirstReference(std::unique_ptr<PageType>& slot, Wizard& wizard) {
    if (!slot) {
        slot = std::make_unique<PageType>(wizard);
    }
    return *slot;
}

/// Empties the slot before the page goes, so that nothing reached from the page's destruction
/// finds it still loaded.
template <typename PageType>
void Unload(std::unique_ptr<PageType>& slot) {
    std::unique_ptr<PageType> leaving = std::move(slot);
    leaving.reset();
}

}  // namespace

Wizard::Wizard(PageToolkit& toolkit, WizardServices services)
    : m_toolkit(toolkit), m_services(std::move(services)) {
    if (!m_services.isWebServerInstalled) {
        throw std::invalid_argument("Wizard: no web server check was given");
    }
}

Wizard::~Wizard() = default;

void Wizard::Start() {
    Welcome().Show();
}

frmWelcome& Wizard::Welcome() {
    return LoadOnFirstReference(m_welcome, *this);
}
frmSource& Wizard::Source() {
    return LoadOnFirstReference(m_source, *this);
}
frmDestination& Wizard::Destination() {
    return LoadOnFirstReference(m_destination, *this);
}
frmFinish& Wizard::Finish() {
    return LoadOnFirstReference(m_finish, *this);
}

void Wizard::UnloadAllPages() {
    Unload(m_destination);
    Unload(m_source);
    // The web server page takes its place here, between the source and the welcome page.
    Unload(m_welcome);
    Unload(m_finish);
    if (!AnyPageLoaded()) {
        m_toolkit.Quit();
    }
}

bool Wizard::AnyPageLoaded() const {
    return m_welcome || m_source || m_destination || m_finish;
}

}  // namespace synvora
