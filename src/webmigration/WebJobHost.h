#pragma once

#include <string>

#include "jobhost/JobHost.h"

namespace synvora {

/// The fields of the web server page, exactly as typed.
struct WebServerFields {
    std::string server;
    std::string user;
    std::string password;
    std::string installationFolder;
};

/// What the web job needs of the finish page beyond what every job needs: the web server page's
/// fields and the page's network drive (MapNetworkDrive, DisconnectNetworkDrive, m_sMappedDrive).
class WebJobHost : public JobHost {
public:
    /// txtWebServer, txtWebUser, txtWebPassword and txtWebInstallationFolder as they are now.
    virtual WebServerFields WebFields() = 0;

    /// Connects a share to a free drive letter: 0 with the drive remembered, or 1.
    virtual int MapNetworkDrive(const std::string& i_sServer, const std::string& i_sUser,
                                const std::string& i_sPassword) = 0;
    /// Releases the remembered drive, never forced: 0 with it forgotten, or 1.
    virtual int DisconnectNetworkDrive() = 0;
    /// The remembered drive ("Z:"), "" when none is connected.
    virtual std::string MappedDrive() = 0;
};

}  // namespace synvora
