#pragma once

#include <functional>
#include <string>

namespace synvora {

/// What the pages ask of the rest of the program. The wizard is handed these at start-up so that
/// the program decides which services are wired, and tests can watch the calls.
struct WizardServices {
    using ConnectionTestCall = std::function<int(const std::string& server, const std::string& user,
                                                 const std::string& password, const std::string& database)>;

    /// True when this machine runs the new web server product (the registry key can be opened).
    std::function<bool()> isWebServerInstalled;

    /// Opens and closes one connection: 0 when it opened, another value when it failed. Blocks
    /// until the driver answers or its login time-out ends. Left empty, a database page cannot
    /// verify its details and Next stays on the page.
    ConnectionTestCall testConnection;
};

/// The services as the program wires them: the web server check on this machine's registry and
/// the connection test over ODBC.
WizardServices DefaultWizardServices();

}  // namespace synvora
