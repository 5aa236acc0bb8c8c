#include "OdbcError.h"

#include <utility>

namespace synvora::odbc {
namespace {

std::string DescribeRecords(const std::string& function, const std::vector<Diagnostic>& records) {
    if (records.empty()) {
        return function + " failed without a diagnostic record";
    }
    std::string description;
    for (const Diagnostic& record : records) {
        if (!description.empty()) {
            description += '\n';
        }
        description += record.message;
    }
    return description;
}

}  // namespace

std::string Diagnostic::Text() const {
    std::size_t start = 0;
    while (start < message.size() && message[start] == '[') {
        const std::size_t close = message.find(']', start);
        if (close == std::string::npos) {
            break;
        }
        start = close + 1;
    }
    return message.substr(start);
}

OdbcError::OdbcError(std::string function, std::vector<Diagnostic> records)
    : MigrationError(kDataAccessError, function, DescribeRecords(function, records)),
      m_records(std::move(records)) {}

std::string OdbcError::SqlState() const {
    return m_records.empty() ? std::string() : m_records.front().sqlState;
}

std::int32_t OdbcError::NativeError() const {
    return m_records.empty() ? 0 : m_records.front().nativeError;
}

}  // namespace synvora::odbc
