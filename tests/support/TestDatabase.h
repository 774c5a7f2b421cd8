#pragma once

// Header-only so that test_support does not depend on the tool: only the tests that link
// varnoset_sql include it.

#include "services/sql/Transaction.h"
#include "tests/support/TestServer.h"

#include <QString>

// Fills in the connection fields of t to log in as sa to `database` on `server`.
inline void configureSa(Transaction& t, const TestServer& server,
                        const QString& database = QString()) {
    t.DBMS = QStringLiteral("MSS Microsoft SQL Server 7.x");
    t.ServerName = server.serverName();
    t.Database = database;
    t.LogId = QStringLiteral("sa");
    t.LogPass = server.saPassword();
    t.DBParm = server.dbParm();
}
