#include "DatabasePageLayout.h"
#include "PageLayouts.h"

namespace synvora {

const PageLayout& SourceLayout() {
    static const PageLayout layout = BuildDatabasePageLayout({
        .page = "frmSource",
        .headerBand = "FrameSource0",
        .title = "lblSourceTitle",
        .titleText = "lblSourceTitleText",
        .titleCaption = "Select a Source Server",
        .titleTextCaption = "Which E-Synvora 2.2 data do you want to migrate from? ",
        .bodyBand = "FrameSource1",
        .body = "Label7",
        .bodyCaption = "To connect to E-Synvora 2.2 database, you must specify the server, database, user "
                       "name and password.",
        .serverFrame = "FrameSource2",
        .serverFrameCaption = "Source",
        .serverLabel = "lblSourceServer",
        .server = "txtSourceServer",
        .databaseLabel = "lblSourceDataBase",
        .databaseLabelCaption = "Database :",
        .database = "txtSourceDataBase",
        .loginFrame = "FrameSource3",
        .userLabel = "lblSourceUser",
        .user = "txtSourceUser",
        .passwordLabel = "lblSourcePassword",
        .password = "txtSourcePassword",
        .statusLabel = "lblSourceStatus",
        .status = "lblStatusSource",
        .back = "cmdBackofSourcefrm",
        .next = "cmdNextofSourcefrm",
        .cancel = "cmdCancelofSourcefrm",
    });
    return layout;
}

}  // namespace synvora
