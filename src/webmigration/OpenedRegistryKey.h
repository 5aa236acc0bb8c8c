#pragma once

#include <cstdint>

#include "webmigration/RegistryCalls.h"

namespace synvora {

/// A key opened through RegistryCalls, closed at the end of the scope unless Close was called;
/// the status of that closing is not looked at.
class OpenedRegistryKey {
public:
    OpenedRegistryKey(RegistryCalls& calls, RegistryHandle handle) noexcept;
    OpenedRegistryKey(const OpenedRegistryKey&) = delete;
    OpenedRegistryKey& operator=(const OpenedRegistryKey&) = delete;
    ~OpenedRegistryKey();

    RegistryHandle Handle() const noexcept { return m_handle; }

    /// Closes the key now and returns the status of the close, for callers that report it.
    std::int32_t Close() noexcept;

private:
    RegistryCalls& m_calls;
    RegistryHandle m_handle;
    bool m_open = true;
};

}  // namespace synvora
