#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace synvora {

/// The one error that travels between the program's procedures: a number (an object error code
/// for the program's own failures), the name of the procedure that failed, and a description.
/// A failure of the platform also keeps the system's own reason ("No space left on device"),
/// which the fixed descriptions of the platform errors leave out.
class MigrationError : public std::runtime_error {
public:
    MigrationError(std::int32_t number, std::string source, std::string description, std::string reason = {});

    std::int32_t Number() const noexcept { return m_number; }
    const std::string& Source() const noexcept { return m_source; }
    const std::string& Description() const noexcept { return m_description; }
    /// The system's reason when one was given, else the description.
    const std::string& Reason() const noexcept { return m_reason.empty() ? m_description : m_reason; }

private:
    std::int32_t m_number;
    std::string m_source;
    std::string m_description;
    std::string m_reason;
};

}  // namespace synvora
