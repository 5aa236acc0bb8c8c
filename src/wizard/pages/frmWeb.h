#pragma once

#include <string>

#include "webmigration/Registry.h"
#include "wizard/pages/Page.h"
#include "wizard/toolkit/Controls.h"

namespace synvora {

/// The old web server whose content folders the web job copies: its name, an administrator login
/// on it and the folder the old product is installed in there. Shown only for the web job, between
/// the destination page and the finish page. Next proves the login on the server's
/// administrative share (the drive of the installation folder) before it checks the fields; Get
/// Folder reads the installation folder from the server's registry while that share is connected.
class frmWeb final : public Page {
public:
    explicit frmWeb(Wizard& wizard);

    Frame FrameWeb0;
    Label lblWebTitle;
    Label lblWebTitleText;
    Frame FrameWeb1;
    Label lblWebBody;
    Frame FrameWeb3;
    Label lblWebServer;
    TextBox txtWebServer;
    Label lblWebUser;
    TextBox txtWebUser;
    Label lblWebPassword;
    TextBox txtWebPassword;
    Frame FrameWeb2;
    Label lblWebInstallationFolder;
    TextBox txtWebInstallationFolder;
    CommandButton GetInstallFolder;
    Label lblWebStatus;
    Label lblWebSource;
    CommandButton cmdBackofWebfrm;
    CommandButton cmdNextofwebfrm;
    CommandButton cmdCancelofWebfrm;

    /// True when server, installation folder and user are filled; otherwise names the first empty
    /// one. The password is never required.
    bool CheckFields();

    /// The administrative share of the installation folder's drive: "\\" + server + "\" + the
    /// folder's first character + "$" ("\\OLDWEB\D$"; the letter is missing for an empty folder).
    std::string SharePath() const;

private:
    void Click(std::string_view control) override;
    void CloseRequested() override;

    void cmdBackofWebfrm_Click();
    void cmdNextofwebfrm_Click();
    void cmdCancelofWebfrm_Click();
    void GetInstallFolder_Click();

    /// True when the server field names the machine the program runs on.
    bool NamesThisMachine() const;
    /// Shows the finish page with the summary lines of the selected jobs.
    void ShowFinishPage();
    /// The old product's installation folder from the registry of the machine ("\\OLDWEB"),
    /// trying its three registry layouts in turn: the last lookup's result.
    std::string LookUpInstallFolder(const std::string& machineName);

    RemoteRegistry m_registry;
};

}  // namespace synvora
