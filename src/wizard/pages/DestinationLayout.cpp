#include "PageLayouts.h"

namespace synvora {

namespace {

const FontSpec kTitle{.bold = true};

PageLayout BuildDestinationLayout() {
    using enum ControlKind;
    return PageLayout{
        .name = "frmDestination",
        .width = 480,
        .height = 384,
        .controls = {
            {.kind = Frame, .name = "FrameDest0", .bounds = {0, 0, 480, 60}, .border = false},
            {.kind = Label,
             .name = "lblDestTitle",
             .container = "FrameDest0",
             .bounds = {16, 10, 448, 20},
             .caption = "Select a Destination Server",
             .font = kTitle},
            {.kind = Label,
             .name = "lblDestTitleText",
             .container = "FrameDest0",
             .bounds = {32, 34, 432, 20},
             .caption = "Which Tressel Synvora 2.5 server do you want to migrate to?"},
            {.kind = Frame, .name = "FrameDest2", .bounds = {0, 64, 480, 44}, .border = false},
            {.kind = Label,
             .name = "lblDestBody",
             .container = "FrameDest2",
             .bounds = {16, 4, 448, 36},
             .caption = "To connect to an Synvora 2.5 Database, you must specify the server, database, user "
                        "name and password.",
             .wordWrap = true},
            {.kind = Frame, .name = "FrameDest3", .bounds = {16, 112, 448, 90}, .caption = "Destination"},
            {.kind = Label,
             .name = "lblDestServer",
             .container = "FrameDest3",
             .bounds = {16, 26, 104, 22},
             .caption = "Server :"},
            {.kind = TextField,
             .name = "txtDestServer",
             .container = "FrameDest3",
             .bounds = {128, 26, 296, 22},
             .tabIndex = 0},
            {.kind = Label,
             .name = "lblDestDataBase",
             .container = "FrameDest3",
             .bounds = {16, 56, 104, 22},
             .caption = "Database:"},
            {.kind = TextField,
             .name = "txtDestDataBase",
             .container = "FrameDest3",
             .bounds = {128, 56, 296, 22},
             .tabIndex = 1},
            {.kind = Frame,
             .name = "FrameDest4",
             .bounds = {16, 210, 448, 120},
             .caption = "DB system administrator"},
            {.kind = Label,
             .name = "lblDestUser",
             .container = "FrameDest4",
             .bounds = {16, 26, 104, 22},
             .caption = "User name :"},
            {.kind = TextField,
             .name = "txtDestUser",
             .container = "FrameDest4",
             .bounds = {128, 26, 296, 22},
             .caption = "sa",
             .tabIndex = 2},
            {.kind = Label,
             .name = "lblDestPassword",
             .container = "FrameDest4",
             .bounds = {16, 56, 104, 22},
             .caption = "Password :"},
            {.kind = TextField,
             .name = "txtDestPassword",
             .container = "FrameDest4",
             .bounds = {128, 56, 296, 22},
             .tabIndex = 3,
             .passwordChar = '*'},
            {.kind = Label,
             .name = "lblDestStatus",
             .container = "FrameDest4",
             .bounds = {16, 88, 104, 22},
             .caption = "Status:"},
            {.kind = Label,
             .name = "lblStatusDest",
             .container = "FrameDest4",
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

const PageLayout& DestinationLayout() {
    static const PageLayout layout = BuildDestinationLayout();
    return layout;
}

}  // namespace synvora
