#pragma once

#include <vector>

#include "files/win32/WindowsApi.h"

namespace synvora {

/// A security descriptor whose DACL gives the process's user every right on a file and nobody
/// else any: protected, so that nothing of the folder's DACL is inherited. For files that hold
/// secrets (the filled script, the client's output).
class OwnerOnlySecurity {
public:
    /// Reads the user of the process's token; raises when it cannot.
    OwnerOnlySecurity();
    OwnerOnlySecurity(const OwnerOnlySecurity&) = delete;
    OwnerOnlySecurity& operator=(const OwnerOnlySecurity&) = delete;

    /// For CreateFileW, so that a new file never exists without the DACL.
    SECURITY_ATTRIBUTES* Attributes() noexcept { return &m_attributes; }

    /// Puts the DACL on an open file (opened with WRITE_DAC).
    void ApplyTo(HANDLE file);

private:
    std::vector<BYTE> m_tokenUser;
    std::vector<BYTE> m_acl;
    SECURITY_DESCRIPTOR m_descriptor{};
    SECURITY_ATTRIBUTES m_attributes{};
};

}  // namespace synvora
