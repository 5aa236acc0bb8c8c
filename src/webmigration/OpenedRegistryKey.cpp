#include "OpenedRegistryKey.h"

namespace synvora {

OpenedRegistryKey::OpenedRegistryKey(RegistryCalls& calls, RegistryHandle handle) noexcept
    : m_calls(calls), m_handle(handle) {}

OpenedRegistryKey::~OpenedRegistryKey() {
    Close();
}

std::int32_t OpenedRegistryKey::Close() noexcept {
    if (!m_open) {
        return kRegistrySuccess;
    }
    m_open = false;
    try {
        return m_calls.CloseKey(m_handle);
    } catch (...) {
        // A close that fails in a destructor must not end the program; the key is gone either way.
        return kRegistryInvalidHandle;
    }
}

}  // namespace synvora
