#pragma once

#include <functional>

#include "webmigration/RegistryCalls.h"

namespace synvora {

/// Hands out the handles of opened keys: counted up from 0x100 and kept below the predefined
/// roots (0x80000000 and above). After wrapping, which takes two thousand million opens, a handle
/// still in use is skipped.
class RegistryHandleCounter {
public:
    RegistryHandle Next(const std::function<bool(RegistryHandle)>& inUse);

private:
    static constexpr RegistryHandle kFirst = 0x100;
    static constexpr RegistryHandle kPredefined = 0x80000000;

    static RegistryHandle Following(RegistryHandle handle);

    RegistryHandle m_next = kFirst;
};

}  // namespace synvora
