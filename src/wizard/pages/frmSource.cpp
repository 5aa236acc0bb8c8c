#include "frmSource.h"

#include "wizard/Wizard.h"
#include "wizard/pages/PageChecks.h"
#include "wizard/pages/PageLayouts.h"
#include "wizard/pages/frmDestination.h"
#include "wizard/pages/frmWelcome.h"

namespace synvora {

frmSource::frmSource(Wizard& wizard)
    : Page(wizard, SourceLayout()),
      FrameSource0(Window(), "FrameSource0"),
      lblSourceTitle(Window(), "lblSourceTitle"),
      lblSourceTitleText(Window(), "lblSourceTitleText"),
      FrameSource1(Window(), "FrameSource1"),
      Label7(Window(), "Label7"),
      FrameSource2(Window(), "FrameSource2"),
      lblSourceServer(Window(), "lblSourceServer"),
      txtSourceServer(Window(), "txtSourceServer"),
      lblSourceDataBase(Window(), "lblSourceDataBase"),
      txtSourceDataBase(Window(), "txtSourceDataBase"),
      FrameSource3(Window(), "FrameSource3"),
      lblSourceUser(Window(), "lblSourceUser"),
      txtSourceUser(Window(), "txtSourceUser"),
      lblSourcePassword(Window(), "lblSourcePassword"),
      txtSourcePassword(Window(), "txtSourcePassword"),
      lblSourceStatus(Window(), "lblSourceStatus"),
      lblStatusSource(Window(), "lblStatusSource"),
      cmdBackofSourcefrm(Window(), "cmdBackofSourcefrm"),
      cmdNextofSourcefrm(Window(), "cmdNextofSourcefrm"),
      cmdCancelofSourcefrm(Window(), "cmdCancelofSourcefrm") {}

void frmSource::Click(std::string_view control) {
    if (control == cmdBackofSourcefrm.Name()) {
        cmdBackofSourcefrm_Click();
    } else if (control == cmdNextofSourcefrm.Name()) {
        cmdNextofSourcefrm_Click();
    } else if (control == cmdCancelofSourcefrm.Name()) {
        cmdCancelofSourcefrm_Click();
    }
}

void frmSource::CloseRequested() {
    cmdCancelofSourcefrm_Click();
}

bool frmSource::CheckFields() {
    return CheckRequiredFields(
        Toolkit(), {{txtSourceServer, "Server"}, {txtSourceDataBase, "Database"}, {txtSourceUser, "User"}});
}

bool frmSource::CheckConnection() {
    return CheckDatabaseConnection(
        *this, Toolkit(), TheWizard().Services(),
        {txtSourceServer, txtSourceDataBase, txtSourceUser, txtSourcePassword, lblStatusSource},
        "Unable to connect to the source database,");
}

void frmSource::cmdBackofSourcefrm_Click() {
    TheWizard().Welcome().Show();
    Hide();
}

void frmSource::cmdNextofSourcefrm_Click() {
    if (!CheckFields()) {
        return;
    }
    if (!CheckConnection()) {
        return;
    }
    Hide();
    frmDestination& destination = TheWizard().Destination();
    destination.Show();
    destination.txtDestServer.SetFocus();
}

void frmSource::cmdCancelofSourcefrm_Click() {
    TheWizard().UnloadAllPages();
}

}  // namespace synvora
