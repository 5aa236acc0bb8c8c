#pragma once

#include <array>

#include "wizard/pages/Page.h"
#include "wizard/toolkit/Controls.h"

namespace synvora {

/// The last page: the chosen jobs, Start, and the fixed step slots the jobs report into.
class frmFinish final : public Page {
public:
    explicit frmFinish(Wizard& wizard);

    Frame frmFinish1;
    Label Label2;
    Label Label3;
    /// Summary lines, set by the page that leads here.
    Label lblFinish2;
    Label lblFinish3;
    Frame frmFinish2;
    Label lblStep1;
    Label lblStep2;
    Label lblStep3;
    Label lblStep4;
    Label lblStep5;
    Label lblStep6;
    Label lblStep7;
    Label lblStep8;
    Label lblStep9;
    Label lblStep10;
    Label lblStep11;
    Label lblStep12;
    Label lblStep13;
    Label lblStep14;
    Label lblError;
    CommandButton cmdBackofFinish;
    CommandButton cmdFinish;
    /// Exit; it carries the source page's Cancel name.
    CommandButton cmdCancelofSourcefrm;

    static constexpr int kStepSlots = 14;
    /// Step slot 1 to 14.
    Label& lblStep(int slot);

    /// Empties the step slots 1 to 14, in that order, and then lblError.
    void ClearSteps();

private:
    void Click(std::string_view control) override;
    void CloseRequested() override;

    void cmdBackofFinish_Click();
    void cmdFinish_Click();
    void cmdCancelofSourcefrm_Click();

    std::array<Label*, kStepSlots> m_steps;
};

}  // namespace synvora
