#pragma once

#include "wizard/pages/Page.h"
#include "wizard/toolkit/Controls.h"

namespace synvora {

/// The new database the content goes to. Its buttons carry the source page's names.
class frmDestination final : public Page {
public:
    explicit frmDestination(Wizard& wizard);

    Frame FrameDest0;
    Label lblDestTitle;
    Label lblDestTitleText;
    Frame FrameDest2;
    Label lblDestBody;
    Frame FrameDest3;
    Label lblDestServer;
    TextBox txtDestServer;
    Label lblDestDataBase;
    TextBox txtDestDataBase;
    Frame FrameDest4;
    Label lblDestUser;
    TextBox txtDestUser;
    Label lblDestPassword;
    TextBox txtDestPassword;
    Label lblDestStatus;
    Label lblStatusDest;
    CommandButton cmdBackofSourcefrm;
    CommandButton cmdNextofSourcefrm;
    CommandButton cmdCancelofSourcefrm;

    /// True when server, database and user are filled; otherwise names the first empty one.
    bool CheckFields();
    /// True when a test connection with the four fields opens.
    bool CheckConnection();

private:
    void Click(std::string_view control) override;
    void CloseRequested() override;

    void cmdBackofSourcefrm_Click();
    void cmdNextofSourcefrm_Click();
    void cmdCancelofSourcefrm_Click();
};

}  // namespace synvora
