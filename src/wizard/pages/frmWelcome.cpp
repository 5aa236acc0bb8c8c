#include "frmWelcome.h"

#include "wizard/Wizard.h"
#include "wizard/pages/PageLayouts.h"
#include "wizard/pages/frmSource.h"

namespace synvora {

frmWelcome::frmWelcome(Wizard& wizard)
    : Page(wizard, WelcomeLayout()),
      farmeWelkom0(Window(), "farmeWelkom0"),
      Label4(Window(), "Label4"),
      Label3(Window(), "Label3"),
      Label1(Window(), "Label1"),
      Label2(Window(), "Label2"),
      Optiondb(Window(), "Optiondb"),
      Optionweb(Window(), "Optionweb"),
      cmdNextofWelcome(Window(), "cmdNextofWelcome"),
      cmdCancelofWelcome(Window(), "cmdCancelofWelcome") {
    Form_Load();
}

void frmWelcome::Click(std::string_view control) {
    if (control == Optiondb.Name()) {
        Optiondb_Click();
    } else if (control == Optionweb.Name()) {
        Optionweb_Click();
    } else if (control == cmdNextofWelcome.Name()) {
        cmdNextofWelcome_Click();
    } else if (control == cmdCancelofWelcome.Name()) {
        cmdCancelofWelcome_Click();
    }
}

// Closing the window is leaving the wizard, as Cancel is.
void frmWelcome::CloseRequested() {
    cmdCancelofWelcome_Click();
}

void frmWelcome::Form_Load() {
    cmdNextofWelcome.SetEnabled(false);
}

void frmWelcome::Optiondb_Click() {
    EnableNextWhenAJobIsSelected();
}
void frmWelcome::Optionweb_Click() {
    EnableNextWhenAJobIsSelected();
}

void frmWelcome::EnableNextWhenAJobIsSelected() {
    cmdNextofWelcome.SetEnabled(Optiondb.Value() != 0 || Optionweb.Value() != 0);
}

void frmWelcome::cmdNextofWelcome_Click() {
    // Only the web job needs this machine to be the new web server; the database job alone is
    // never checked.
    if (Optionweb.Value() == 1 && !TheWizard().Services().isWebServerInstalled()) {
        Toolkit().MsgBox("You should run the webserver contents migration part on the Portivo Web server.",
                         kMsgBoxOkOnly);
        return;
    }
    Hide();
    frmSource& source = TheWizard().Source();
    source.Show();
    source.txtSourceServer.SetFocus();
}

void frmWelcome::cmdCancelofWelcome_Click() {
    TheWizard().UnloadAllPages();
}

}  // namespace synvora
