#include <array>
#include <string>

#include "PageLayouts.h"

namespace synvora {

namespace {

/// The step slots from top to bottom: the web job's last two steps were added below the others
/// and kept their numbers.
constexpr std::array<int, 14> kStepSlotsTopDown = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 13, 14, 11, 12};
constexpr int kStepTop = 26;
constexpr int kStepSpacing = 19;

void AddStepSlots(PageLayout& layout) {
    for (std::size_t row = 0; row < kStepSlotsTopDown.size(); ++row) {
        layout.controls.push_back({.kind = ControlKind::Label,
                                   .name = "lblStep" + std::to_string(kStepSlotsTopDown[row]),
                                   .container = "frmFinish2",
                                   .bounds = {16, kStepTop + static_cast<int>(row) * kStepSpacing, 248, 18}});
    }
    // How long the blocking work of a step has been going; in the free right half, on the last row.
    layout.controls.push_back(
        {.kind = ControlKind::Label,
         .name = "lblElapsed",
         .container = "frmFinish2",
         .bounds = {280, kStepTop + static_cast<int>(kStepSlotsTopDown.size() - 1) * kStepSpacing, 232, 18}});
}

PageLayout BuildFinishLayout() {
    using enum ControlKind;
    PageLayout layout{
        .name = "frmFinish",
        .width = 560,
        .height = 550,
        .controls = {
            {.kind = Frame,
             .name = "frmFinish1",
             .bounds = {0, 0, 560, 122},
             .border = false,
             .backColor = BackColor::HighlightText},
            {.kind = Label,
             .name = "Label2",
             .container = "frmFinish1",
             .bounds = {16, 10, 528, 20},
             .caption = "Start Migration",
             .font = {.bold = true}},
            {.kind = Label,
             .name = "Label3",
             .container = "frmFinish1",
             .bounds = {16, 32, 528, 38},
             .caption = "The Migration Wizard has enough information do run the migration. Press the 'Start' "
                        "button to run the migration. Selected options are:",
             .wordWrap = true},
            {.kind = Label, .name = "lblFinish2", .container = "frmFinish1", .bounds = {280, 74, 264, 20}},
            {.kind = Label, .name = "lblFinish3", .container = "frmFinish1", .bounds = {280, 96, 264, 20}},
            {.kind = Frame,
             .name = "frmFinish2",
             .bounds = {16, 130, 528, 300},
             .caption = "Migration steps"},
        }};
    AddStepSlots(layout);
    layout.controls.insert(
        layout.controls.end(),
        {
            // The progress of a folder copy, below the step list; hidden while no copy runs.
            {.kind = ProgressBar, .name = "prgCopy", .bounds = {16, 438, 528, 22}, .visible = false},
            {.kind = Label, .name = "lblError", .bounds = {16, 466, 528, 36}, .wordWrap = true},
            {.kind = Button,
             .name = "cmdBackofFinish",
             .bounds = {16, 510, 88, 28},
             .caption = "< &Back",
             .tabIndex = 2},
            {.kind = Button,
             .name = "cmdFinish",
             .bounds = {236, 510, 88, 28},
             .caption = "&Start",
             .tabIndex = 1},
            {.kind = Button,
             .name = "cmdCancelofSourcefrm",
             .bounds = {456, 510, 88, 28},
             .caption = "&Exit",
             .tabIndex = 0},
        });
    return layout;
}

}  // namespace

const PageLayout& FinishLayout() {
    static const PageLayout layout = BuildFinishLayout();
    return layout;
}

}  // namespace synvora
