#include "support/RecordingWebJobHost.h"

#include "network/NetworkDrives.h"

namespace synvora::test {

int RecordingWebJobHost::MapNetworkDrive(const std::string& i_sServer, const std::string& i_sUser,
                                         const std::string& i_sPassword) {
    return synvora::MapNetworkDrive(i_sServer, i_sUser, i_sPassword, m_sMappedDrive);
}

int RecordingWebJobHost::DisconnectNetworkDrive() {
    return synvora::DisconnectNetworkDrive(m_sMappedDrive);
}

}  // namespace synvora::test
