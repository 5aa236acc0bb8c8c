#pragma once

#include <functional>
#include <string>

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
};

/// The services as the program wires them: the web server check on this machine's registry, the
/// connection test over ODBC and the network drive.
WizardServices DefaultWizardServices();

}  // namespace synvora
