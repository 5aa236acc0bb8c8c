#pragma once

#include <optional>
#include <string>

namespace synvora::test {

/// Sets an environment variable for the scope and restores its earlier value (or its absence)
/// afterwards.
class ScopedEnvironmentVariable {
public:
    /// Nothing as the value removes the variable for the scope.
    ScopedEnvironmentVariable(std::string name, const std::optional<std::string>& value);
    ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
    ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;
    ~ScopedEnvironmentVariable();

    /// Changes the value again within the scope.
    void Set(const std::optional<std::string>& value);

private:
    std::string m_name;
    std::optional<std::string> m_previous;
};

}  // namespace synvora::test
