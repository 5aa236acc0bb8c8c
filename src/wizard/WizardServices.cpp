#include "WizardServices.h"

#include "database/SqlServer.h"
#include "network/NetworkDrives.h"
#include "webmigration/Registry.h"
#include "webmigration/posix/NetRegistry.h"

namespace synvora {

WizardServices DefaultWizardServices() {
    WizardServices services;
    services.isWebServerInstalled = [] { return IsWebServerInstalled(); };
    services.testConnection = TestConnection;
    services.mapNetworkDrive = MapNetworkDrive;
    services.disconnectNetworkDrive = DisconnectNetworkDrive;
    services.remoteRegistry = std::make_shared<NetRegistry>(CredentialsOfConnectionTo);
    return services;
}

}  // namespace synvora
