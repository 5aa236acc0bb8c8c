#pragma once

#include "wizard/pages/Page.h"
#include "wizard/toolkit/Controls.h"

namespace synvora {

/// The old database the content comes from.
class frmSource final : public Page {
public:
    explicit frmSource(Wizard& wizard);

    Frame FrameSource0;
    Label lblSourceTitle;
    Label lblSourceTitleText;
    Frame FrameSource1;
    Label Label7;
    Frame FrameSource2;
    Label lblSourceServer;
    TextBox txtSourceServer;
    Label lblSourceDataBase;
    TextBox txtSourceDataBase;
    Frame FrameSource3;
    Label lblSourceUser;
    TextBox txtSourceUser;
    Label lblSourcePassword;
    TextBox txtSourcePassword;
    Label lblSourceStatus;
    Label lblStatusSource;
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
