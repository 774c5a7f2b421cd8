#include "services/sql/OdbcLink.h"

#include <sqlext.h>

OdbcLink::~OdbcLink() {
    disconnect();
    SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
}

void OdbcLink::disconnect() {
    if (m_connected)
        SQLDisconnect(m_dbc);
    m_connected = false;
}

OdbcLink::Environment OdbcLink::newEnvironment() {
    SQLHENV env = SQL_NULL_HENV;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env)))
        return nullptr;
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    return Environment(env, [](void* handle) { SQLFreeHandle(SQL_HANDLE_ENV, handle); });
}

bool OdbcLink::isDead() const {
    SQLUINTEGER dead = SQL_CD_FALSE;
    return SQL_SUCCEEDED(SQLGetConnectAttr(m_dbc, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)) &&
           dead == SQL_CD_TRUE;
}

void OdbcLink::cancel() {
    const std::lock_guard lock(m_mutex);
    if (m_running != SQL_NULL_HSTMT)
        SQLCancel(m_running);
}

OdbcLink::Running::Running(OdbcLink& link, SQLHSTMT statement) : m_link(link) {
    const std::lock_guard lock(m_link.m_mutex);
    m_link.m_running = statement;
}

OdbcLink::Running::~Running() {
    const std::lock_guard lock(m_link.m_mutex);
    m_link.m_running = SQL_NULL_HSTMT;
}
