#pragma once

#include "wizard/toolkit/PageLayout.h"

namespace synvora {

// Each page's layout lives in its own source file, beside the page.
const PageLayout& WelcomeLayout();
const PageLayout& SourceLayout();
const PageLayout& DestinationLayout();
const PageLayout& WebLayout();
const PageLayout& FinishLayout();

}  // namespace synvora
