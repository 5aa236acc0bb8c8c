#include "frmWeb.h"

#include "files/TextCase.h"
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
constexpr const char* kGetFolderConnectionFailedMessage =
    "The connection to the webserver could not be made, please check the connection information.";

constexpr const char* kGettingFolderStatus = "Getting installation folder...";
constexpr const char* kCheckConnectionStatus = "Please check the connection information.";
constexpr const char* kFolderFoundStatus = "Installation folder found.";
constexpr const char* kFolderNotFoundStatus = "Unable to retrieve the installation folder remotely.";

/// Where the old product keeps its installation folder, in the order its versions are tried.
struct InstallFolderValue {
    const char* key;
    const char* valueName;
};
constexpr InstallFolderValue kInstallFolderValues[] = {
    {"SOFTWARE\\Tressel\\Tressel Omniline\\PelluxServer\\1", "path"},
    {"SOFTWARE\\Tressel\\iTressel Omniline Server\\PelluxServer\\1", "path"},
    {"SOFTWARE\\Tressel\\Tressel Omniline", "InstallDir"},
};

/// True when a lookup read nothing: the key or value was unreadable (an empty result) or the
/// machine unreachable ("Error"). A value that was read is never blank, not even an empty one,
/// for it keeps its terminating NUL.
bool NothingRead(const std::string& result) {
    return result.find_first_not_of(' ') == std::string::npos || result == "Error";
}

/// Get Folder's wait: the busy pointer with Back and Next disabled, until End puts the default
/// pointer back and enables them, at the latest when the click ends, also by a failure, so that
/// the page never stays stuck.
class FolderSearchWait {
public:
    FolderSearchWait(PageToolkit& toolkit, CommandButton& back, CommandButton& next)
        : m_toolkit(toolkit), m_back(back), m_next(next) {
        m_toolkit.SetMousePointer(MousePointer::Busy);
        m_waiting = true;
        SetNavigation(false);
    }
    FolderSearchWait(const FolderSearchWait&) = delete;
    FolderSearchWait& operator=(const FolderSearchWait&) = delete;
    ~FolderSearchWait() {
        if (!m_waiting) {
            return;
        }
        m_waiting = false;
        // The destructor must not raise, least of all while a failure of the click is travelling;
        // the buttons are enabled even when the pointer cannot be set.
        try {
            m_toolkit.SetMousePointer(MousePointer::Default);
        } catch (...) {
        }
        SetNavigation(true);
    }

    void End() {
        if (m_waiting) {
            m_waiting = false;
            m_toolkit.SetMousePointer(MousePointer::Default);
            SetNavigation(true);
        }
    }

private:
    void SetNavigation(bool enabled) {
        m_back.SetEnabled(enabled);
        m_next.SetEnabled(enabled);
    }

    PageToolkit& m_toolkit;
    CommandButton& m_back;
    CommandButton& m_next;
    bool m_waiting = false;
};

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
      cmdCancelofWebfrm(Window(), "cmdCancelofWebfrm"),
      m_registry(wizard.Services().remoteRegistry,
                 [this](const std::string& prompt) { Toolkit().MsgBox(prompt, kMsgBoxCritical); }) {}

void frmWeb::Click(std::string_view control) {
    if (control == cmdBackofWebfrm.Name()) {
        cmdBackofWebfrm_Click();
    } else if (control == cmdNextofwebfrm.Name()) {
        cmdNextofwebfrm_Click();
    } else if (control == cmdCancelofWebfrm.Name()) {
        cmdCancelofWebfrm_Click();
    } else if (control == GetInstallFolder.Name()) {
        GetInstallFolder_Click();
    }
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
    return LowerCase(txtWebServer.Text()) == LowerCase(GetLocalComputerName());
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

// The share of the typed drive letter is held while the registry is read, so that the registry
// is read with its login. Cancel and Get Folder stay enabled throughout.
void frmWeb::GetInstallFolder_Click() {
    if (!CheckFields()) {
        return;
    }
    FolderSearchWait wait(Toolkit(), cmdBackofWebfrm, cmdNextofwebfrm);
    lblWebSource.SetCaption(kGettingFolderStatus);
    Toolkit().DoEvents();
    if (IsUnloaded()) {
        // Cancel was handled in the pause: nothing more is tried.
        return;
    }

    frmFinish& finish = TheWizard().Finish();
    if (finish.MapNetworkDrive(SharePath(), txtWebUser.Text(), txtWebPassword.Text()) != 0) {
        Toolkit().MsgBox(kGetFolderConnectionFailedMessage, kMsgBoxCritical);
        lblWebSource.SetCaption(kCheckConnectionStatus);
        wait.End();
        return;
    }
    const std::string folder = LookUpInstallFolder("\\\\" + txtWebServer.Text());
    if (NothingRead(folder)) {
        lblWebSource.SetCaption(kFolderNotFoundStatus);
    } else {
        lblWebSource.SetCaption(kFolderFoundStatus);
        // The value proper ends at its NUL; the blanks of the read buffer follow it.
        txtWebInstallationFolder.SetText(folder.substr(0, folder.find('\0')));
    }
    wait.End();
    if (finish.DisconnectNetworkDrive() != 0) {
        Toolkit().MsgBox(kDisconnectFailedMessage, kMsgBoxCritical);
    }
}

std::string frmWeb::LookUpInstallFolder(const std::string& machineName) {
    std::string result;
    for (const InstallFolderValue& value : kInstallFolderValues) {
        result = m_registry.GetRemoteRegistryValue(machineName, value.key, value.valueName);
        if (!NothingRead(result)) {
            break;
        }
    }
    return result;
}

void frmWeb::cmdCancelofWebfrm_Click() {
    TheWizard().UnloadAllPages();
}

}  // namespace synvora
