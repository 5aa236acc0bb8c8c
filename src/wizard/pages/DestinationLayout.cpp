#include "DatabasePageLayout.h"
#include "PageLayouts.h"

namespace synvora {

const PageLayout& DestinationLayout() {
    static const PageLayout layout = BuildDatabasePageLayout({
        .page = "frmDestination",
        .headerBand = "FrameDest0",
        .title = "lblDestTitle",
        .titleText = "lblDestTitleText",
        .titleCaption = "Select a Destination Server",
        .titleTextCaption = "Which Tressel Synvora 2.5 server do you want to migrate to?",
        .bodyBand = "FrameDest2",
        .body = "lblDestBody",
        .bodyCaption = "To connect to an Synvora 2.5 Database, you must specify the server, database, user "
                       "name and password.",
        .serverFrame = "FrameDest3",
        .serverFrameCaption = "Destination",
        .serverLabel = "lblDestServer",
        .server = "txtDestServer",
        .databaseLabel = "lblDestDataBase",
        // No blank before the colon on this page.
        .databaseLabelCaption = "Database:",
        .database = "txtDestDataBase",
        .loginFrame = "FrameDest4",
        .userLabel = "lblDestUser",
        .user = "txtDestUser",
        .passwordLabel = "lblDestPassword",
        .password = "txtDestPassword",
        .statusLabel = "lblDestStatus",
        .status = "lblStatusDest",
        // Both pages name their buttons alike.
        .back = "cmdBackofSourcefrm",
        .next = "cmdNextofSourcefrm",
        .cancel = "cmdCancelofSourcefrm",
    });
    return layout;
}

}  // namespace synvora
