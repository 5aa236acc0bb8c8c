#include "frmWeb.h"

#include <algorithm>
#include <cctype>

#include "webmigration/FolderPaths.h"
#include "webmigration/Registry.h"
#include "wizard/Wizard.h"
#include "wizard/pages/PageChecks.h"
#include "wizard/pages/PageLayouts.h"
#include "wizard/pages/frmDestination.h"
#include "wizard/pages/frmFinish.h"
#include "wizard/pages/frmWelcome.h"

namespace synvora {
namespace {

constexpr const char* kSameMachineMessage =
    "The source and the destination machines are the same, this is not supported.";
constexpr const char* kConnectionFailedMessage =
    "The connection to the 2.4 webserver could not be made, please check the connection information.";
constexpr const char* kDisconnectFailedMessage = "Could not disconnect the network drive!";

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace

frmWeb::frmWeb(Wizard& wizard)
    : Page(wizard, WebLayout()),
      FrameWeb0(Window(), "FrameWeb0"),
      lblWebTitle(Window(), "lblWebTitle"),
      lblWebTitleText(Window(), "lblWebTitleText"),
      FrameWeb1(Window(), "FrameWeb1"),
      lblWebBody(Window(), "lblWebBody"),
      FrameWeb3(Window(), "FrameWeb3"),
      lblWebServer(Window(), "lblWebServer"),
      txtWebServer(Window(), "txtWebServer"),
      lblWebUser(Window(), "lblWebUser"),
      txtWebUser(Window(), "txtWebUser"),
      lblWebPassword(Window(), "lblWebPassword"),
      txtWebPassword(Window(), "txtWebPassword"),
      FrameWeb2(Window(), "FrameWeb2"),
      lblWebInstallationFolder(Window(), "lblWebInstallationFolder"),
      txtWebInstallationFolder(Window(), "txtWebInstallationFolder"),
      GetInstallFolder(Window(), "GetInstallFolder"),
      lblWebStatus(Window(), "lblWebStatus"),
      lblWebSource(Window(), "lblWebSource"),
      cmdBackofWebfrm(Window(), "cmdBackofWebfrm"),
      cmdNextofwebfrm(Window(), "cmdNextofwebfrm"),
      cmdCancelofWebfrm(Window(), "cmdCancelofWebfrm") {}

void frmWeb::Click(std::string_view control) {
    if (control == cmdBackofWebfrm.Name()) {
        cmdBackofWebfrm_Click();
    } else if (control == cmdNextofwebfrm.Name()) {
        cmdNextofwebfrm_Click();
    } else if (control == cmdCancelofWebfrm.Name()) {
        cmdCancelofWebfrm_Click();
    }
    // Get Folder reads the old server's registry, which the program cannot reach yet.
}

void frmWeb::CloseRequested() {
    cmdCancelofWebfrm_Click();
}

bool frmWeb::CheckFields() {
    return CheckRequiredFields(
        Toolkit(),
        {{txtWebServer, "Server"}, {txtWebInstallationFolder, "Installation folder"}, {txtWebUser, "User"}});
}

std::string frmWeb::SharePath() const {
    return AdministrativeSharePath(txtWebServer.Text(), txtWebInstallationFolder.Text());
}

bool frmWeb::NamesThisMachine() const {
    return Lower(txtWebServer.Text()) == Lower(GetLocalComputerName());
}

void frmWeb::cmdBackofWebfrm_Click() {
    Hide();
    frmDestination& destination = TheWizard().Destination();
    destination.Show();
    destination.txtDestServer.SetFocus();
}

// The connection is tried before the fields are checked, and released at once: it only proves
// that the login reaches the share. The warning about this machine does not stop anything.
void frmWeb::cmdNextofwebfrm_Click() {
    if (NamesThisMachine()) {
        Toolkit().MsgBox(kSameMachineMessage, kMsgBoxCritical);
    }
    frmFinish& finish = TheWizard().Finish();
    if (finish.MapNetworkDrive(SharePath(), txtWebUser.Text(), txtWebPassword.Text()) != 0) {
        Toolkit().MsgBox(kConnectionFailedMessage, kMsgBoxCritical);
        return;
    }
    if (finish.DisconnectNetworkDrive() != 0) {
        Toolkit().MsgBox(kDisconnectFailedMessage, kMsgBoxCritical);
    }
    if (!CheckFields()) {
        return;
    }
    ShowFinishPage();
}

// Each line is painted before the next is set. Exit pressed meanwhile discards the pages, and the
// rest is left undone; the check boxes are read first, for a discarded welcome page would be
// created afresh by reading them.
void frmWeb::ShowFinishPage() {
    const frmWelcome& welcome = TheWizard().Welcome();
    const bool databaseJob = welcome.Optiondb.Value() == 1;
    const bool webJob = welcome.Optionweb.Value() == 1;
    Hide();
    frmFinish& finish = TheWizard().Finish();
    finish.Show();
    finish.cmdFinish.SetFocus();
    finish.lblFinish2.SetCaption("");
    finish.lblFinish3.SetCaption("");
    Toolkit().DoEvents();
    if (databaseJob && !finish.IsUnloaded()) {
        finish.lblFinish2.SetCaption("- Migrate database content.");
        Toolkit().DoEvents();
    }
    if (webJob && !finish.IsUnloaded()) {
        finish.lblFinish3.SetCaption("- Migrate web contents.");
        Toolkit().DoEvents();
    }
}

void frmWeb::cmdCancelofWebfrm_Click() {
    TheWizard().UnloadAllPages();
}

}  // namespace synvora
