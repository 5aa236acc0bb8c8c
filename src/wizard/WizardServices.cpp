#include "WizardServices.h"

#include "database/SqlServer.h"
#include "network/NetworkDrives.h"
#include "webmigration/Registry.h"

namespace synvora {

WizardServices DefaultWizardServices() {
    WizardServices services;
    services.isWebServerInstalled = [] { return IsWebServerInstalled(); };
    services.testConnection = TestConnection;
    services.mapNetworkDrive = MapNetworkDrive;
    services.disconnectNetworkDrive = DisconnectNetworkDrive;
    services.remoteRegistry = SystemRemoteRegistry();
    return services;
}

}  // namespace synvora
