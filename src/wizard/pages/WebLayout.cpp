#include "PageLayouts.h"

namespace synvora {

namespace {

// The fields of both frames line up, behind labels wide enough for "Installation folder :", and
// the status line takes the longest status the page shows.
constexpr int kPageWidth = 512;
constexpr int kFrameWidth = kPageWidth - 32;
constexpr int kLabelLeft = 16;
constexpr int kLabelWidth = 120;
constexpr int kFieldLeft = 144;
constexpr int kFieldWidth = 312;
constexpr int kRowHeight = 22;
constexpr int kButtonWidth = 88;

PageLayout BuildWebLayout() {
    using enum ControlKind;
    return PageLayout{
        .name = "frmWeb",
        .width = kPageWidth,
        .height = 416,
        .controls = {
            {.kind = Frame, .name = "FrameWeb0", .bounds = {0, 0, kPageWidth, 60}, .border = false},
            {.kind = Label,
             .name = "lblWebTitle",
             .container = "FrameWeb0",
             .bounds = {16, 10, kFrameWidth, 20},
             .caption = "Select a Web Server",
             .font = {.bold = true}},
            {.kind = Label,
             .name = "lblWebTitleText",
             .container = "FrameWeb0",
             .bounds = {32, 34, kFrameWidth - 16, 20},
             .caption = "Which E-Synvora 2.2 web contents do you want to migrate from? "},
            {.kind = Frame, .name = "FrameWeb1", .bounds = {0, 64, kPageWidth, 44}, .border = false},
            {.kind = Label,
             .name = "lblWebBody",
             .container = "FrameWeb1",
             .bounds = {16, 4, kFrameWidth, 36},
             .caption = "To connect to an E-Synvora 2.2 webserver, you must specify the server, installation "
                        "folder, user name and password of the local administrator.",
             .wordWrap = true},
            {.kind = Frame,
             .name = "FrameWeb3",
             .bounds = {16, 112, kFrameWidth, 120},
             .caption = "Local administrator"},
            {.kind = Label,
             .name = "lblWebServer",
             .container = "FrameWeb3",
             .bounds = {kLabelLeft, 26, kLabelWidth, kRowHeight},
             .caption = "Server :"},
            {.kind = TextField,
             .name = "txtWebServer",
             .container = "FrameWeb3",
             .bounds = {kFieldLeft, 26, kFieldWidth, kRowHeight},
             .tabIndex = 0},
            {.kind = Label,
             .name = "lblWebUser",
             .container = "FrameWeb3",
             .bounds = {kLabelLeft, 56, kLabelWidth, kRowHeight},
             .caption = "User name :"},
            {.kind = TextField,
             .name = "txtWebUser",
             .container = "FrameWeb3",
             .bounds = {kFieldLeft, 56, kFieldWidth, kRowHeight},
             .tabIndex = 1},
            {.kind = Label,
             .name = "lblWebPassword",
             .container = "FrameWeb3",
             .bounds = {kLabelLeft, 86, kLabelWidth, kRowHeight},
             .caption = "Password :"},
            {.kind = TextField,
             .name = "txtWebPassword",
             .container = "FrameWeb3",
             .bounds = {kFieldLeft, 86, kFieldWidth, kRowHeight},
             .tabIndex = 2,
             .passwordChar = '*'},
            {.kind = Frame,
             .name = "FrameWeb2",
             .bounds = {16, 240, kFrameWidth, 122},
             .caption = "Web Contents"},
            {.kind = Label,
             .name = "lblWebInstallationFolder",
             .container = "FrameWeb2",
             .bounds = {kLabelLeft, 26, kLabelWidth, kRowHeight},
             .caption = "Installation folder :"},
            {.kind = TextField,
             .name = "txtWebInstallationFolder",
             .container = "FrameWeb2",
             .bounds = {kFieldLeft, 26, kFieldWidth, kRowHeight},
             .tabIndex = 3},
            // Directly below the folder field, flush with its right edge.
            {.kind = Button,
             .name = "GetInstallFolder",
             .container = "FrameWeb2",
             .bounds = {kFieldLeft + kFieldWidth - kButtonWidth, 52, kButtonWidth, 26},
             .caption = "Get Folder",
             .tabIndex = 4},
            {.kind = Label,
             .name = "lblWebStatus",
             .container = "FrameWeb2",
             .bounds = {kLabelLeft, 88, kLabelWidth, kRowHeight},
             .caption = "Status:"},
            {.kind = Label,
             .name = "lblWebSource",
             .container = "FrameWeb2",
             .bounds = {kFieldLeft, 88, kFieldWidth, kRowHeight},
             .caption = "No Connection..."},
            {.kind = Button,
             .name = "cmdBackofWebfrm",
             .bounds = {kPageWidth - 296, 376, kButtonWidth, 28},
             .caption = "< &Back",
             .tabIndex = 5},
            {.kind = Button,
             .name = "cmdNextofwebfrm",
             .bounds = {kPageWidth - 204, 376, kButtonWidth, 28},
             .caption = "&Next >",
             .tabIndex = 6},
            {.kind = Button,
             .name = "cmdCancelofWebfrm",
             .bounds = {kPageWidth - 16 - kButtonWidth, 376, kButtonWidth, 28},
             .caption = "&Cancel",
             .tabIndex = 7},
        }};
}

}  // namespace

const PageLayout& WebLayout() {
    static const PageLayout layout = BuildWebLayout();
    return layout;
}

}  // namespace synvora
