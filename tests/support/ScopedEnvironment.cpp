#include "ScopedEnvironment.h"

#include "TempDir.h"

namespace synvora::test {

ScopedEnvironmentVariable::ScopedEnvironmentVariable(std::string name,
                                                     const std::optional<std::string>& value)
    : m_name(std::move(name)), m_previous(EnvironmentValue(m_name)) {
    Set(value);
}

ScopedEnvironmentVariable::~ScopedEnvironmentVariable() {
    try {
        SetEnvironmentValue(m_name, m_previous);
    } catch (...) {
        // Nothing is left to tell.
    }
}

void ScopedEnvironmentVariable::Set(const std::optional<std::string>& value) {
    SetEnvironmentValue(m_name, value);
}

}  // namespace synvora::test
