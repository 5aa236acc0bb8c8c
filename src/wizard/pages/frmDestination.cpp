#include "frmDestination.h"

#include "wizard/Wizard.h"
#include "wizard/pages/PageChecks.h"
#include "wizard/pages/PageLayouts.h"
#include "wizard/pages/frmFinish.h"
#include "wizard/pages/frmSource.h"
#include "wizard/pages/frmWeb.h"
#include "wizard/pages/frmWelcome.h"

namespace synvora {

frmDestination::frmDestination(Wizard& wizard)
    : Page(wizard, DestinationLayout()),
      FrameDest0(Window(), "FrameDest0"),
      lblDestTitle(Window(), "lblDestTitle"),
      lblDestTitleText(Window(), "lblDestTitleText"),
      FrameDest2(Window(), "FrameDest2"),
      lblDestBody(Window(), "lblDestBody"),
      FrameDest3(Window(), "FrameDest3"),
      lblDestServer(Window(), "lblDestServer"),
      txtDestServer(Window(), "txtDestServer"),
      lblDestDataBase(Window(), "lblDestDataBase"),
      txtDestDataBase(Window(), "txtDestDataBase"),
      FrameDest4(Window(), "FrameDest4"),
      lblDestUser(Window(), "lblDestUser"),
      txtDestUser(Window(), "txtDestUser"),
      lblDestPassword(Window(), "lblDestPassword"),
      txtDestPassword(Window(), "txtDestPassword"),
      lblDestStatus(Window(), "lblDestStatus"),
      lblStatusDest(Window(), "lblStatusDest"),
      cmdBackofSourcefrm(Window(), "cmdBackofSourcefrm"),
      cmdNextofSourcefrm(Window(), "cmdNextofSourcefrm"),
      cmdCancelofSourcefrm(Window(), "cmdCancelofSourcefrm") {}

void frmDestination::Click(std::string_view control) {
    if (control == cmdBackofSourcefrm.Name()) {
        cmdBackofSourcefrm_Click();
    } else if (control == cmdNextofSourcefrm.Name()) {
        cmdNextofSourcefrm_Click();
    } else if (control == cmdCancelofSourcefrm.Name()) {
        cmdCancelofSourcefrm_Click();
    }
}

void frmDestination::CloseRequested() {
    cmdCancelofSourcefrm_Click();
}

bool frmDestination::CheckFields() {
    return CheckRequiredFields(
        Toolkit(), {{txtDestServer, "Server"}, {txtDestDataBase, "Database"}, {txtDestUser, "User"}});
}

bool frmDestination::CheckConnection() {
    // The trailing blank of the first half gives this message two blanks after the comma.
    return CheckDatabaseConnection(
        *this, Toolkit(), TheWizard().Services(),
        {txtDestServer, txtDestDataBase, txtDestUser, txtDestPassword, lblStatusDest},
        "Unable to connect to the destination database, ");
}

void frmDestination::cmdBackofSourcefrm_Click() {
    Hide();
    TheWizard().Source().Show();
}

void frmDestination::cmdNextofSourcefrm_Click() {
    if (!CheckFields()) {
        return;
    }
    if (!CheckConnection()) {
        return;
    }
    if (TheWizard().Welcome().Optionweb.Value() == 1) {
        Hide();
        frmWeb& web = TheWizard().Web();
        web.Show();
        web.txtWebServer.SetFocus();
        return;
    }
    Hide();
    frmFinish& finish = TheWizard().Finish();
    finish.Show();
    finish.cmdFinish.SetFocus();
    finish.lblFinish2.SetCaption("- Migrate database content.");
    finish.lblFinish3.SetCaption("");
    Toolkit().DoEvents();
}

void frmDestination::cmdCancelofSourcefrm_Click() {
    TheWizard().UnloadAllPages();
}

}  // namespace synvora
