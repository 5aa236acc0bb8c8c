#include "Wizard.h"

#include <stdexcept>
#include <utility>

#include "wizard/pages/frmDestination.h"
#include "wizard/pages/frmFinish.h"
#include "wizard/pages/frmSource.h"
#include "wizard/pages/frmWeb.h"
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

}  // namespace

Wizard::Wizard(PageToolkit& toolkit, WizardServices services)
    : m_toolkit(toolkit), m_services(std::move(services)) {
    if (!m_services.isWebServerInstalled) {
        throw std::invalid_argument("Wizard: no web server check was given");
    }
}

Wizard::~Wizard() = default;

/// Empties the slot first, so that a reference from now on creates a fresh page.
template <typename PageType>
void Wizard::Unload(std::unique_ptr<PageType>& slot) {
    if (!slot) {
        return;
    }
    std::unique_ptr<Page> leaving = std::move(slot);
    leaving->Unload();
    if (m_handlerDepth > 0) {
        m_unloaded.push_back(std::move(leaving));
    }
}

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
frmWeb& Wizard::Web() {
    return LoadOnFirstReference(m_web, *this);
}
frmFinish& Wizard::Finish() {
    return LoadOnFirstReference(m_finish, *this);
}

void Wizard::UnloadAllPages() {
    Unload(m_destination);
    Unload(m_source);
    Unload(m_web);
    Unload(m_welcome);
    Unload(m_finish);
    if (!AnyPageLoaded()) {
        m_toolkit.Quit();
    }
}

Wizard::HandlerScope::HandlerScope(Wizard& wizard) : m_wizard(wizard) {
    ++m_wizard.m_handlerDepth;
}

Wizard::HandlerScope::~HandlerScope() {
    if (--m_wizard.m_handlerDepth == 0) {
        // In closing order; the handler that unloaded them has returned.
        std::vector<std::unique_ptr<Page>> leaving = std::move(m_wizard.m_unloaded);
        for (std::unique_ptr<Page>& page : leaving) {
            page.reset();
        }
    }
}

void Wizard::EndSession() {
    if (m_finish && m_finish->Running()) {
        m_finish->StopRunAndLeave();
        return;
    }
    UnloadAllPages();
}

bool Wizard::AnyPageLoaded() const {
    return m_welcome || m_source || m_destination || m_web || m_finish;
}

}  // namespace synvora
