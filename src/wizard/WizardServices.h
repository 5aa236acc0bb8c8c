#pragma once

#include <functional>
#include <memory>
#include <string>

#include "webmigration/RegistryCalls.h"

namespace synvora {

/// What the pages ask of the rest of the program. The wizard is handed these at start-up so that
/// the program decides which services are wired, and tests can watch the calls.
struct WizardServices {
    using ConnectionTestCall = std::function<int(const std::string& server, const std::string& user,
                                                 const std::string& password, const std::string& database)>;

    using MapDriveCall = std::function<int(const std::string& sharePath, const std::string& user,
                                           const std::string& password, std::string& mappedDrive)>;
    using DisconnectDriveCall = std::function<int(std::string& mappedDrive)>;

    /// True when this machine runs the new web server product (the registry key can be opened).
    std::function<bool()> isWebServerInstalled;

    /// Opens and closes one connection: 0 when it opened, another value when it failed. Blocks
    /// until the driver answers or its login time-out ends. Left empty, a database page cannot
    /// verify its details and Next stays on the page.
    ConnectionTestCall testConnection;

    /// Connects a share to a drive letter (0, with mappedDrive set) or fails (1); releases the
    /// drive in mappedDrive (0, with it emptied) or fails (1). Left empty, every call fails.
    MapDriveCall mapNetworkDrive;
    DisconnectDriveCall disconnectNetworkDrive;

    /// The registry of other machines, read by Get Folder. Left empty, no machine can be reached.
    std::shared_ptr<RemoteRegistryCalls> remoteRegistry;
};

/// The services as the program wires them: the web server check on this machine's registry, the
/// connection test over ODBC, the network drive and the remote registry with the login of the
/// drive connected to the same machine.
WizardServices DefaultWizardServices();

}  // namespace synvora
