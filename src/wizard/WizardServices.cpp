#include "WizardServices.h"

#include "database/SqlServer.h"
#include "webmigration/Registry.h"

namespace synvora {

WizardServices DefaultWizardServices() {
    WizardServices services;
    services.isWebServerInstalled = [] { return IsWebServerInstalled(); };
    services.testConnection = TestConnection;
    return services;
}

}  // namespace synvora
