#pragma once

#include <optional>
#include <string>

namespace synvora::test {

/// Sets an environment variable for the scope and restores its earlier value (or its absence)
/// afterwards.
class ScopedEnvironmentVariable {
public:
    ScopedEnvironmentVariable(std::string name, const std::string& value);
    ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
    ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;
    ~ScopedEnvironmentVariable();

private:
    std::string m_name;
    std::optional<std::string> m_previous;
};

}  // namespace synvora::test
