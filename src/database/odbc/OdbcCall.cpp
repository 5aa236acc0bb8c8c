#include "OdbcCall.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>

#include "Utf16.h"

namespace synvora::odbc {
namespace {

// Diagnostic fields of the SQL Server drivers (the range -1150 to -1199 is theirs). Other
// drivers answer SQL_ERROR, or SQL_SUCCESS without writing anything (the PostgreSQL driver on a
// connection handle), so the buffer starts with a value that no driver writes.
constexpr SQLSMALLINT kServerMessageStateField = -1150;
constexpr SQLSMALLINT kServerSeverityField = -1151;
constexpr SQLSMALLINT kServerLineField = -1154;

template <typename Integer>
std::optional<std::int32_t> ReadIntegerField(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT index,
                                             SQLSMALLINT field, Integer untold) {
    Integer value = untold;
    const SQLRETURN rc = SQLGetDiagFieldW(type, handle, index, field, &value, sizeof(value), nullptr);
    if (rc != SQL_SUCCESS || value == untold) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

void ReadServerDetails(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT index, Diagnostic& record) {
    constexpr SQLINTEGER kUntold = -1;
    const std::optional<std::int32_t> first =
        ReadIntegerField<SQLINTEGER>(type, handle, index, kServerMessageStateField, kUntold);
    const std::optional<std::int32_t> severity =
        ReadIntegerField<SQLINTEGER>(type, handle, index, kServerSeverityField, kUntold);
    // FreeTDS tells the severity only, in the field where the other SQL Server drivers put the
    // message state (and only for errors, not on a connection handle); taken for a state it
    // would show every error as "State 16".
    if (severity) {
        record.serverState = first;
        record.severity = severity;
    } else {
        record.severity = first;
    }
    // The drivers write the line as a 16-bit value, and only for lines from 1 on.
    record.line = ReadIntegerField<SQLUSMALLINT>(type, handle, index, kServerLineField, 0);
}

}  // namespace

void HandleDeleter::operator()(void* handle) const noexcept {
    if (handle != nullptr) {
        SQLFreeHandle(type, handle);
    }
}

bool Succeeded(SQLRETURN rc) {
    return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

Handle AllocateHandle(SQLSMALLINT type, SQLHANDLE parent) {
    SQLHANDLE handle = SQL_NULL_HANDLE;
    const SQLRETURN rc = SQLAllocHandle(type, parent, &handle);
    if (!Succeeded(rc)) {
        // A failed allocation leaves its records on the parent.
        const SQLSMALLINT parentType = type == SQL_HANDLE_STMT ? SQL_HANDLE_DBC : SQL_HANDLE_ENV;
        throw OdbcError("SQLAllocHandle", parent == SQL_NULL_HANDLE ? std::vector<Diagnostic>()
                                                                    : ReadDiagnostics(parentType, parent));
    }
    return Handle(handle, HandleDeleter{type});
}

std::vector<Diagnostic> ReadDiagnostics(SQLSMALLINT type, SQLHANDLE handle) {
    std::vector<Diagnostic> records;
    for (SQLSMALLINT index = 1;; ++index) {
        SQLWCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        std::u16string text(512, u'\0');
        SQLRETURN rc =
            SQLGetDiagRecW(type, handle, index, state, &native, reinterpret_cast<SQLWCHAR*>(text.data()),
                           static_cast<SQLSMALLINT>(text.size()), &length);
        if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(text.size())) {
            // The message was cut to the buffer: ask again with room for all of it.
            text.assign(static_cast<std::size_t>(length) + 1, u'\0');
            rc = SQLGetDiagRecW(type, handle, index, state, &native, reinterpret_cast<SQLWCHAR*>(text.data()),
                                static_cast<SQLSMALLINT>(text.size()), &length);
        }
        if (!Succeeded(rc)) {
            break;
        }
        const std::size_t kept = std::min<std::size_t>(static_cast<std::size_t>(length), text.size() - 1);
        Diagnostic record{FromWide(state, 5), native,
                          FromWide(reinterpret_cast<SQLWCHAR*>(text.data()), kept)};
        ReadServerDetails(type, handle, index, record);
        records.push_back(std::move(record));
    }
    return records;
}

void ThrowIfFailed(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle, const char* function) {
    if (!Succeeded(rc)) {
        throw OdbcError(function, ReadDiagnostics(type, handle));
    }
}

WideText::WideText(std::string_view utf8) : m_text(Utf8ToUtf16(utf8)) {}

SQLWCHAR* WideText::Data() {
    return reinterpret_cast<SQLWCHAR*>(m_text.data());
}

SQLINTEGER WideText::Length() const {
    return static_cast<SQLINTEGER>(m_text.size());
}

std::string FromWide(const SQLWCHAR* text, std::size_t length) {
    std::u16string_view view(reinterpret_cast<const char16_t*>(text), length);
    const std::size_t end = view.find(u'\0');
    return Utf16ToUtf8(view.substr(0, end));
}

}  // namespace synvora::odbc
