#include "PageLayouts.h"

namespace synvora {

namespace {

const FontSpec kHeadline{.points = 12};
const FontSpec kHeadlineBold{.points = 12, .bold = true};

PageLayout BuildWelcomeLayout() {
    using enum ControlKind;
    return PageLayout{
        .name = "frmWelcome",
        .width = 440,
        .height = 300,
        .controls = {
            {.kind = Frame, .name = "farmeWelkom0", .bounds = {24, 20, 392, 128}, .border = false},
            {.kind = Label,
             .name = "Label4",
             .container = "farmeWelkom0",
             .bounds = {0, 0, 392, 26},
             .caption = "Migration Wizard  ",
             .font = kHeadlineBold},
            {.kind = Label,
             .name = "Label3",
             .container = "farmeWelkom0",
             .bounds = {0, 34, 392, 26},
             .caption = "E-Synvora 2.2",
             .font = kHeadline},
            {.kind = Label,
             .name = "Label1",
             .container = "farmeWelkom0",
             .bounds = {0, 68, 392, 26},
             .caption = "to",
             .font = kHeadlineBold},
            {.kind = Label,
             .name = "Label2",
             .container = "farmeWelkom0",
             .bounds = {0, 102, 392, 26},
             .caption = "Velmoria Synvora 2.5",
             .font = kHeadline},
            {.kind = CheckBox,
             .name = "Optiondb",
             .bounds = {24, 164, 392, 22},
             .caption = "Migrate database contents",
             .tabIndex = 3},
            {.kind = CheckBox,
             .name = "Optionweb",
             .bounds = {24, 192, 392, 40},
             .caption = "Migrate web contents ( to be started on the Velmoria Portivo 2.7 server only.)",
             .tabIndex = 2,
             .wordWrap = true},
            {.kind = Button,
             .name = "cmdNextofWelcome",
             .bounds = {24, 252, 100, 28},
             .caption = "&Next >",
             .tabIndex = 1,
             .enabled = false},
            {.kind = Button,
             .name = "cmdCancelofWelcome",
             .bounds = {316, 252, 100, 28},
             .caption = "&Cancel",
             .tabIndex = 0},
        }};
}

}  // namespace

const PageLayout& WelcomeLayout() {
    static const PageLayout layout = BuildWelcomeLayout();
    return layout;
}

}  // namespace synvora
