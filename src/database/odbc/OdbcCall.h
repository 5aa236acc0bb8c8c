#pragma once

// Helpers for the layer's own sources: the only header that includes the ODBC C headers.

// The system's headers, from the platform's folder (odbc/posix, odbc/win32).
#include <string>
#include <string_view>
#include <vector>

#include "Handle.h"
#include "OdbcError.h"
#include "OdbcSystemHeaders.h"

namespace synvora::odbc {

// SQLWCHAR is 16 bits with unixODBC and on Windows (wchar_t there): UTF-16 either way.
static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "the wide ODBC calls must take UTF-16");

bool Succeeded(SQLRETURN rc);

/// Allocates a handle below parent (SQL_NULL_HANDLE for an environment).
Handle AllocateHandle(SQLSMALLINT type, SQLHANDLE parent);

/// Every diagnostic record the handle holds, in order.
std::vector<Diagnostic> ReadDiagnostics(SQLSMALLINT type, SQLHANDLE handle);

/// Raises OdbcError with the handle's records unless rc reports success (with or without info).
void ThrowIfFailed(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle, const char* function);

/// Owns a UTF-16 copy of a UTF-8 string for a wide call.
class WideText {
public:
    explicit WideText(std::string_view utf8);
    SQLWCHAR* Data();
    SQLINTEGER Length() const;

private:
    std::u16string m_text;
};

/// Converts length characters of a wide buffer returned by a call.
std::string FromWide(const SQLWCHAR* text, std::size_t length);

}  // namespace synvora::odbc
