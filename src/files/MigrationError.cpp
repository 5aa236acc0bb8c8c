#include "MigrationError.h"

#include <utility>

namespace synvora {

MigrationError::MigrationError(std::int32_t number, std::string source, std::string description,
                               std::string reason)
    : std::runtime_error(description),
      m_number(number),
      m_source(std::move(source)),
      m_description(std::move(description)),
      m_reason(std::move(reason)) {}

}  // namespace synvora
