#include "RegistryHandles.h"

namespace synvora {

RegistryHandle RegistryHandleCounter::Following(RegistryHandle handle) {
    return handle + 1 >= kPredefined ? kFirst : handle + 1;
}

RegistryHandle RegistryHandleCounter::Next(const std::function<bool(RegistryHandle)>& inUse) {
    while (inUse(m_next)) {
        m_next = Following(m_next);
    }
    const RegistryHandle handle = m_next;
    m_next = Following(m_next);
    return handle;
}

}  // namespace synvora
