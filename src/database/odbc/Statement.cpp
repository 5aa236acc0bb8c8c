#include "Statement.h"

#include <cstdint>
#include <utility>

#include "Connection.h"
#include "OdbcCall.h"
#include "Utf16.h"

namespace synvora::odbc {
namespace {

constexpr const char* kTruncatedState = "01004";
constexpr const char* kOptionalFeatureState = "HYC00";
// Values are read in pieces of this many UTF-16 units (terminator included).
constexpr std::size_t kValueChunkUnits = 4096;

}  // namespace

Statement::Statement(Connection& connection) : m_buffer(kValueChunkUnits, u'\0') {
    m_statement = AllocateHandle(SQL_HANDLE_STMT, connection.NativeHandle());
    const int seconds = connection.GetTimeouts().commandSeconds;
    const SQLRETURN rc =
        SQLSetStmtAttrW(m_statement.get(), SQL_ATTR_QUERY_TIMEOUT,
                        reinterpret_cast<SQLPOINTER>(static_cast<std::intptr_t>(seconds)), 0);
    if (!Succeeded(rc)) {
        OdbcError error("SQLSetStmtAttrW", ReadDiagnostics(SQL_HANDLE_STMT, m_statement.get()));
        // A driver without time-outs still runs statements; only then is the limit dropped.
        if (error.SqlState() != kOptionalFeatureState) {
            throw error;
        }
    }
}

void Statement::Execute(const std::string& sql) {
    SQLFreeStmt(m_statement.get(), SQL_CLOSE);
    m_unreadRows = false;
    WideText text(sql);
    const SQLRETURN rc = SQLExecDirectW(m_statement.get(), text.Data(), text.Length());
    if (rc == SQL_NO_DATA) {
        // A searched UPDATE or DELETE that touched no row: not a failure.
        CollectMessages(rc);
        return;
    }
    ThrowIfFailed(rc, SQL_HANDLE_STMT, m_statement.get(), "SQLExecDirectW");
    CollectMessages(rc);
    m_unreadRows = true;
}

std::size_t Statement::ColumnCount() {
    SQLSMALLINT count = 0;
    ThrowIfFailed(SQLNumResultCols(m_statement.get(), &count), SQL_HANDLE_STMT, m_statement.get(),
                  "SQLNumResultCols");
    return static_cast<std::size_t>(count);
}

std::vector<std::string> Statement::ColumnNames() {
    const std::size_t count = ColumnCount();
    std::vector<std::string> names;
    names.reserve(count);
    for (std::size_t column = 1; column <= count; ++column) {
        std::u16string name(128, u'\0');
        SQLSMALLINT length = 0;
        SQLSMALLINT type = 0;
        SQLULEN size = 0;
        SQLSMALLINT digits = 0;
        SQLSMALLINT nullable = 0;
        const auto describe = [&] {
            return SQLDescribeColW(m_statement.get(), static_cast<SQLUSMALLINT>(column),
                                   reinterpret_cast<SQLWCHAR*>(name.data()),
                                   static_cast<SQLSMALLINT>(name.size()), &length, &type, &size, &digits,
                                   &nullable);
        };
        SQLRETURN rc = describe();
        if (Succeeded(rc) && length >= static_cast<SQLSMALLINT>(name.size())) {
            name.assign(static_cast<std::size_t>(length) + 1, u'\0');
            rc = describe();
        }
        ThrowIfFailed(rc, SQL_HANDLE_STMT, m_statement.get(), "SQLDescribeColW");
        name.resize(std::min<std::size_t>(static_cast<std::size_t>(length), name.size() - 1));
        names.push_back(Utf16ToUtf8(name));
    }
    return names;
}

bool Statement::Fetch() {
    const SQLRETURN rc = SQLFetch(m_statement.get());
    if (rc == SQL_NO_DATA) {
        m_unreadRows = false;
        return false;
    }
    // After a failed fetch the set is not read on.
    m_unreadRows = m_unreadRows && Succeeded(rc);
    ThrowIfFailed(rc, SQL_HANDLE_STMT, m_statement.get(), "SQLFetch");
    CollectMessages(rc);
    return true;
}

std::optional<std::string> Statement::Value(std::size_t column) {
    std::u16string value;
    const auto bufferBytes = static_cast<SQLLEN>(m_buffer.size() * sizeof(char16_t));
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc = SQLGetData(m_statement.get(), static_cast<SQLUSMALLINT>(column + 1), SQL_C_WCHAR,
                                        m_buffer.data(), bufferBytes, &indicator);
        if (rc == SQL_NO_DATA) {
            return Utf16ToUtf8(value);  // every piece has been read
        }
        ThrowIfFailed(rc, SQL_HANDLE_STMT, m_statement.get(), "SQLGetData");
        if (indicator == SQL_NULL_DATA) {
            return std::nullopt;
        }
        const bool truncated = indicator == SQL_NO_TOTAL || indicator >= bufferBytes;
        const std::size_t units = truncated ? m_buffer.size() - 1 : static_cast<std::size_t>(indicator) / 2;
        value.append(m_buffer, 0, units);
        if (rc == SQL_SUCCESS_WITH_INFO) {
            CollectMessages(rc);
        }
        if (!truncated) {
            return Utf16ToUtf8(value);
        }
    }
}

std::vector<std::optional<std::string>> Statement::RowValues() {
    const std::size_t count = ColumnCount();
    std::vector<std::optional<std::string>> values;
    values.reserve(count);
    for (std::size_t column = 0; column < count; ++column) {
        values.push_back(Value(column));
    }
    return values;
}

std::int64_t Statement::AffectedRows() {
    SQLLEN count = -1;
    ThrowIfFailed(SQLRowCount(m_statement.get(), &count), SQL_HANDLE_STMT, m_statement.get(), "SQLRowCount");
    return static_cast<std::int64_t>(count);
}

bool Statement::NextResult() {
    // FreeTDS reports the row count of a set whose rows were left unread as a result of its own,
    // between that set and the next statement's result; reading them off keeps one result per
    // statement.
    if (m_unreadRows && ColumnCount() > 0) {
        while (Fetch()) {
        }
    }
    m_unreadRows = false;
    const SQLRETURN rc = SQLMoreResults(m_statement.get());
    if (rc == SQL_NO_DATA) {
        CollectMessages(rc);
        return false;
    }
    ThrowIfFailed(rc, SQL_HANDLE_STMT, m_statement.get(), "SQLMoreResults");
    CollectMessages(rc);
    m_unreadRows = true;
    return true;
}

void Statement::Drain() {
    do {
        if (ColumnCount() > 0) {
            while (Fetch()) {
            }
        }
    } while (NextResult());
}

std::vector<Diagnostic> Statement::TakeMessages() {
    return std::exchange(m_messages, {});
}

void Statement::CollectMessages(short returnCode) {
    if (returnCode != SQL_SUCCESS_WITH_INFO && returnCode != SQL_NO_DATA) {
        return;
    }
    for (Diagnostic& record : ReadDiagnostics(SQL_HANDLE_STMT, m_statement.get())) {
        // Truncation is how long values arrive in pieces, not news for the user.
        if (record.sqlState != kTruncatedState) {
            m_messages.push_back(std::move(record));
        }
    }
}

}  // namespace synvora::odbc
