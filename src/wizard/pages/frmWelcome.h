#pragma once

#include "wizard/pages/Page.h"
#include "wizard/toolkit/Controls.h"

namespace synvora {

/// The first page: the user ticks the jobs to run.
class frmWelcome final : public Page {
public:
    explicit frmWelcome(Wizard& wizard);

    Frame farmeWelkom0;
    Label Label4;
    Label Label3;
    Label Label1;
    Label Label2;
    /// The database job: 1 when selected.
    CheckBox Optiondb;
    /// The web job: 1 when selected.
    CheckBox Optionweb;
    CommandButton cmdNextofWelcome;
    CommandButton cmdCancelofWelcome;

private:
    void Click(std::string_view control) override;
    void CloseRequested() override;

    void Form_Load();
    void Optiondb_Click();
    void Optionweb_Click();
    void cmdNextofWelcome_Click();
    void cmdCancelofWelcome_Click();

    void EnableNextWhenAJobIsSelected();
};

}  // namespace synvora
