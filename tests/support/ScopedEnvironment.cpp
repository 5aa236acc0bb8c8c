#include "ScopedEnvironment.h"

#include <cstdlib>
#include <stdexcept>

namespace synvora::test {

ScopedEnvironmentVariable::ScopedEnvironmentVariable(std::string name, const std::string& value)
    : m_name(std::move(name)) {
    if (const char* previous = std::getenv(m_name.c_str())) {
        m_previous = previous;
    }
    if (::setenv(m_name.c_str(), value.c_str(), 1) != 0) {
        throw std::runtime_error("cannot set " + m_name);
    }
}

ScopedEnvironmentVariable::~ScopedEnvironmentVariable() {
    if (m_previous) {
        ::setenv(m_name.c_str(), m_previous->c_str(), 1);
    } else {
        ::unsetenv(m_name.c_str());
    }
}

}  // namespace synvora::test
