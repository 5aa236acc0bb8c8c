#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace synvora {

/// The one error that travels between the program's procedures: a number (an object error code
/// for the program's own failures), the name of the procedure that failed, and a description.
class MigrationError : public std::runtime_error {
public:
    MigrationError(std::int32_t number, std::string source, std::string description);

    std::int32_t Number() const noexcept { return m_number; }
    const std::string& Source() const noexcept { return m_source; }
    const std::string& Description() const noexcept { return m_description; }

private:
    std::int32_t m_number;
    std::string m_source;
    std::string m_description;
};

}  // namespace synvora
