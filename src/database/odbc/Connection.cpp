#include "Connection.h"

#include <cstdint>
#include <utility>

#include "OdbcCall.h"

namespace synvora::odbc {
namespace {

SQLPOINTER IntegerAttribute(std::intptr_t value) {
    return reinterpret_cast<SQLPOINTER>(value);
}

}  // namespace

Connection::Connection(const std::string& connectionString, Timeouts timeouts) : m_timeouts(timeouts) {
    m_environment = AllocateHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE);
    ThrowIfFailed(
        SQLSetEnvAttr(m_environment.get(), SQL_ATTR_ODBC_VERSION, IntegerAttribute(SQL_OV_ODBC3), 0),
        SQL_HANDLE_ENV, m_environment.get(), "SQLSetEnvAttr");

    m_connection = AllocateHandle(SQL_HANDLE_DBC, m_environment.get());
    ThrowIfFailed(SQLSetConnectAttrW(m_connection.get(), SQL_ATTR_LOGIN_TIMEOUT,
                                     IntegerAttribute(m_timeouts.loginSeconds), 0),
                  SQL_HANDLE_DBC, m_connection.get(), "SQLSetConnectAttrW");

    WideText text(connectionString);
    const SQLRETURN rc = SQLDriverConnectW(m_connection.get(), nullptr, text.Data(), SQL_NTS, nullptr, 0,
                                           nullptr, SQL_DRIVER_NOPROMPT);
    ThrowIfFailed(rc, SQL_HANDLE_DBC, m_connection.get(), "SQLDriverConnectW");
    if (rc == SQL_SUCCESS_WITH_INFO) {
        try {
            m_messages = ReadDiagnostics(SQL_HANDLE_DBC, m_connection.get());
        } catch (...) {
            // No destructor runs after a constructor raises, and a connected handle cannot be
            // freed: without this the session would stay open on the server.
            SQLDisconnect(m_connection.get());
            throw;
        }
    }
    m_open = true;
}

Connection::~Connection() {
    if (m_open && m_connection) {
        SQLDisconnect(m_connection.get());
    }
}

void Connection::Close() {
    if (!m_open) {
        return;
    }
    m_open = false;
    ThrowIfFailed(SQLDisconnect(m_connection.get()), SQL_HANDLE_DBC, m_connection.get(), "SQLDisconnect");
}

std::optional<bool> Connection::IsDead() const noexcept {
    if (!m_open) {
        return true;
    }
    SQLUINTEGER dead = SQL_CD_FALSE;
    const SQLRETURN rc = SQLGetConnectAttrW(m_connection.get(), SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr);
    if (!SQL_SUCCEEDED(rc)) {
        return std::nullopt;
    }
    return dead == SQL_CD_TRUE;
}

std::vector<Diagnostic> Connection::TakeMessages() {
    return std::exchange(m_messages, {});
}

}  // namespace synvora::odbc
