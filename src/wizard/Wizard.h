#pragma once

#include <memory>
#include <vector>

#include "wizard/WizardServices.h"
#include "wizard/toolkit/PageToolkit.h"

namespace synvora {

class Page;
class frmWelcome;
class frmSource;
class frmDestination;
class frmWeb;
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
    frmWeb& Web();
    frmFinish& Finish();

    /// Closes and discards every page, the later ones first, and ends the program once none is
    /// left. From inside a page's handler the pages are closed at once and destroyed when the
    /// outermost handler has returned.
    void UnloadAllPages();
    bool AnyPageLoaded() const;

    /// The session ends from outside (the program is asked to terminate, the user logs out): as
    /// Exit with Yes to its question. During a run the job stops as Exit stops it (a copy after
    /// the file in hand) and the run then discards the pages; otherwise they are discarded now.
    void EndSession();

    /// Marks a page event being handled; pages unloaded meanwhile are destroyed when the last
    /// such scope ends.
    class HandlerScope {
    public:
        explicit HandlerScope(Wizard& wizard);
        HandlerScope(const HandlerScope&) = delete;
        HandlerScope& operator=(const HandlerScope&) = delete;
        ~HandlerScope();

    private:
        Wizard& m_wizard;
    };

    PageToolkit& Toolkit() const { return m_toolkit; }
    const WizardServices& Services() const { return m_services; }

private:
    template <typename PageType>
    void Unload(std::unique_ptr<PageType>& slot);

    PageToolkit& m_toolkit;
    WizardServices m_services;
    std::unique_ptr<frmWelcome> m_welcome;
    std::unique_ptr<frmSource> m_source;
    std::unique_ptr<frmDestination> m_destination;
    std::unique_ptr<frmWeb> m_web;
    std::unique_ptr<frmFinish> m_finish;
    int m_handlerDepth = 0;
    /// Pages unloaded while a handler runs, in the order they were closed.
    std::vector<std::unique_ptr<Page>> m_unloaded;
};

}  // namespace synvora
