#pragma once

#include <memory>

#include "wizard/WizardServices.h"
#include "wizard/toolkit/PageToolkit.h"

namespace synvora {

class frmWelcome;
class frmSource;
class frmDestination;
class frmFinish;

/// The program's collection of pages. Each page exists at most once: it is created from its
/// layout on first reference (shown, or one of its fields read) and lives, hidden or shown, until
/// UnloadAllPages discards it. The pages' fields are the wizard's whole state.
class Wizard {
public:
    Wizard(PageToolkit& toolkit, WizardServices services);
    Wizard(const Wizard&) = delete;
    Wizard& operator=(const Wizard&) = delete;
    ~Wizard();

    /// Shows the welcome page: the program's one entry.
    void Start();

    frmWelcome& Welcome();
    frmSource& Source();
    frmDestination& Destination();
    frmFinish& Finish();

    /// Closes and discards every page, the later ones first, and ends the program once none is
    /// left. May run from inside a page's own handler, which must then return at once.
    void UnloadAllPages();
    bool AnyPageLoaded() const;

    PageToolkit& Toolkit() const { return m_toolkit; }
    const WizardServices& Services() const { return m_services; }

private:
    PageToolkit& m_toolkit;
    WizardServices m_services;
    std::unique_ptr<frmWelcome> m_welcome;
    std::unique_ptr<frmSource> m_source;
    std::unique_ptr<frmDestination> m_destination;
    std::unique_ptr<frmFinish> m_finish;
};

}  // namespace synvora
