#pragma once

#include <string>

#include "wizard/toolkit/PageLayout.h"

namespace synvora {

/// What tells the source and the destination page apart: the two pages share one layout and
/// differ only in their control names and texts.
struct DatabasePageNames {
    std::string page;
    std::string headerBand, title, titleText, titleCaption, titleTextCaption;
    std::string bodyBand, body, bodyCaption;
    std::string serverFrame, serverFrameCaption;
    std::string serverLabel, server, databaseLabel, databaseLabelCaption, database;
    std::string loginFrame, userLabel, user, passwordLabel, password, statusLabel, status;
    std::string back, next, cancel;
};

/// The database page layout with the given names and texts.
PageLayout BuildDatabasePageLayout(const DatabasePageNames& names);

}  // namespace synvora
