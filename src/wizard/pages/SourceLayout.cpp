#include "PageLayouts.h"

namespace synvora {

namespace {

const FontSpec kTitle{.bold = true};

PageLayout BuildSourceLayout() {
    using enum ControlKind;
    return PageLayout{
        .name = "frmSource",
        .width = 480,
        .height = 384,
        .controls = {
            {.kind = Frame, .name = "FrameSource0", .bounds = {0, 0, 480, 60}, .border = false},
            {.kind = Label,
             .name = "lblSourceTitle",
             .container = "FrameSource0",
             .bounds = {16, 10, 448, 20},
             .caption = "Select a Source Server",
             .font = kTitle},
            {.kind = Label,
             .name = "lblSourceTitleText",
             .container = "FrameSource0",
             .bounds = {32, 34, 432, 20},
             .caption = "Which E-Synvora 2.2 data do you want to migrate from? "},
            {.kind = Frame, .name = "FrameSource1", .bounds = {0, 64, 480, 44}, .border = false},
            {.kind = Label,
             .name = "Label7",
             .container = "FrameSource1",
             .bounds = {16, 4, 448, 36},
             .caption = "To connect to E-Synvora 2.2 database, you must specify the server, database, user "
                        "name and password.",
             .wordWrap = true},
            {.kind = Frame, .name = "FrameSource2", .bounds = {16, 112, 448, 90}, .caption = "Source"},
            {.kind = Label,
             .name = "lblSourceServer",
             .container = "FrameSource2",
             .bounds = {16, 26, 104, 22},
             .caption = "Server :"},
            {.kind = TextField,
             .name = "txtSourceServer",
             .container = "FrameSource2",
             .bounds = {128, 26, 296, 22},
             .tabIndex = 0},
            {.kind = Label,
             .name = "lblSourceDataBase",
             .container = "FrameSource2",
             .bounds = {16, 56, 104, 22},
             .caption = "Database :"},
            {.kind = TextField,
             .name = "txtSourceDataBase",
             .container = "FrameSource2",
             .bounds = {128, 56, 296, 22},
             .tabIndex = 1},
            {.kind = Frame,
             .name = "FrameSource3",
             .bounds = {16, 210, 448, 120},
             .caption = "DB system administrator"},
            {.kind = Label,
             .name = "lblSourceUser",
             .container = "FrameSource3",
             .bounds = {16, 26, 104, 22},
             .caption = "User name :"},
            {.kind = TextField,
             .name = "txtSourceUser",
             .container = "FrameSource3",
             .bounds = {128, 26, 296, 22},
             .caption = "sa",
             .tabIndex = 2},
            {.kind = Label,
             .name = "lblSourcePassword",
             .container = "FrameSource3",
             .bounds = {16, 56, 104, 22},
             .caption = "Password :"},
            {.kind = TextField,
             .name = "txtSourcePassword",
             .container = "FrameSource3",
             .bounds = {128, 56, 296, 22},
             .tabIndex = 3,
             .passwordChar = '*'},
            {.kind = Label,
             .name = "lblSourceStatus",
             .container = "FrameSource3",
             .bounds = {16, 88, 104, 22},
             .caption = "Status:"},
            {.kind = Label,
             .name = "lblStatusSource",
             .container = "FrameSource3",
             .bounds = {128, 88, 296, 22},
             .caption = "No Connection..."},
            {.kind = Button,
             .name = "cmdBackofSourcefrm",
             .bounds = {184, 344, 88, 28},
             .caption = "< &Back",
             .tabIndex = 4},
            {.kind = Button,
             .name = "cmdNextofSourcefrm",
             .bounds = {276, 344, 88, 28},
             .caption = "&Next >",
             .tabIndex = 5},
            {.kind = Button,
             .name = "cmdCancelofSourcefrm",
             .bounds = {376, 344, 88, 28},
             .caption = "&Cancel",
             .tabIndex = 6},
        }};
}

}  // namespace

const PageLayout& SourceLayout() {
    static const PageLayout layout = BuildSourceLayout();
    return layout;
}

}  // namespace synvora
