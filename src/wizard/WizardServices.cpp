#include "WizardServices.h"

#include "webmigration/Registry.h"

namespace synvora {

WizardServices DefaultWizardServices() {
    WizardServices services;
    services.isWebServerInstalled = [] { return IsWebServerInstalled(); };
    return services;
}

}  // namespace synvora
