#include "OdbcCall.h"

#include <algorithm>

#include "Utf16.h"

namespace synvora::odbc {

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
        records.push_back(
            Diagnostic{FromWide(state, 5), native, FromWide(reinterpret_cast<SQLWCHAR*>(text.data()), kept)});
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
