#include "frmFinish.h"

#include <stdexcept>
#include <string>

#include "wizard/Wizard.h"
#include "wizard/pages/PageLayouts.h"
#include "wizard/pages/frmDestination.h"
#include "wizard/pages/frmWelcome.h"

namespace synvora {

frmFinish::frmFinish(Wizard& wizard)
    : Page(wizard, FinishLayout()),
      frmFinish1(Window(), "frmFinish1"),
      Label2(Window(), "Label2"),
      Label3(Window(), "Label3"),
      lblFinish2(Window(), "lblFinish2"),
      lblFinish3(Window(), "lblFinish3"),
      frmFinish2(Window(), "frmFinish2"),
      lblStep1(Window(), "lblStep1"),
      lblStep2(Window(), "lblStep2"),
      lblStep3(Window(), "lblStep3"),
      lblStep4(Window(), "lblStep4"),
      lblStep5(Window(), "lblStep5"),
      lblStep6(Window(), "lblStep6"),
      lblStep7(Window(), "lblStep7"),
      lblStep8(Window(), "lblStep8"),
      lblStep9(Window(), "lblStep9"),
      lblStep10(Window(), "lblStep10"),
      lblStep11(Window(), "lblStep11"),
      lblStep12(Window(), "lblStep12"),
      lblStep13(Window(), "lblStep13"),
      lblStep14(Window(), "lblStep14"),
      lblError(Window(), "lblError"),
      cmdBackofFinish(Window(), "cmdBackofFinish"),
      cmdFinish(Window(), "cmdFinish"),
      cmdCancelofSourcefrm(Window(), "cmdCancelofSourcefrm"),
      m_steps{&lblStep1, &lblStep2, &lblStep3,  &lblStep4,  &lblStep5,  &lblStep6,  &lblStep7,
              &lblStep8, &lblStep9, &lblStep10, &lblStep11, &lblStep12, &lblStep13, &lblStep14} {}

Label& frmFinish::lblStep(int slot) {
    if (slot < 1 || slot > kStepSlots) {
        throw std::out_of_range("frmFinish has no step slot " + std::to_string(slot));
    }
    return *m_steps[static_cast<std::size_t>(slot - 1)];
}

void frmFinish::ClearSteps() {
    for (Label* step : m_steps) {
        step->SetCaption("");
    }
    lblError.SetCaption("");
}

void frmFinish::Click(std::string_view control) {
    if (control == cmdBackofFinish.Name()) {
        cmdBackofFinish_Click();
    } else if (control == cmdFinish.Name()) {
        cmdFinish_Click();
    } else if (control == cmdCancelofSourcefrm.Name()) {
        cmdCancelofSourcefrm_Click();
    }
}

// Closing the window is leaving the wizard, as Exit is.
void frmFinish::CloseRequested() {
    cmdCancelofSourcefrm_Click();
}

void frmFinish::cmdBackofFinish_Click() {
    if (TheWizard().Welcome().Optionweb.Value() == 1) {
        // Back leads to the web server page, which is not part of the wizard yet; the page stays
        // so that a window remains on the screen.
        return;
    }
    Hide();
    frmDestination& destination = TheWizard().Destination();
    destination.Show();
    destination.txtDestServer.SetFocus();
}

// The migration run is attached to Start by the run's own code; until then Start does nothing.
void frmFinish::cmdFinish_Click() {}

void frmFinish::cmdCancelofSourcefrm_Click() {
    TheWizard().UnloadAllPages();
}

}  // namespace synvora
