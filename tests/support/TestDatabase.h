#pragma once

// Header-only so that test_support does not depend on the tool: only the tests that link
// varnoset_sql include it.

#include "services/sql/Transaction.h"
#include "tests/support/StandinServer.h"

#include <QString>

// Fills in the connection fields of t to log in as sa to `database` on the stand-in `server`.
inline void configureSa(Transaction& t, const StandinServer& server,
                        const QString& database = QString()) {
    t.DBMS = QStringLiteral("MSS Microsoft SQL Server 7.x");
    t.ServerName = server.serverName();
    t.Database = database;
    t.LogId = QStringLiteral("sa");
    t.LogPass = server.saPassword();
    t.DBParm = QStringLiteral("LoginTimeout='5'");
}

// Creates `database` through master on the server t is configured for, then connects t to it
// with AutoCommit on and runs setupSql there. Empty on success, otherwise the step that failed
// and the server's text.
inline QString createTestDatabase(Transaction& t, const QString& database,
                                  const QString& setupSql) {
    const auto failed = [&t](const char* step) {
        return QStringLiteral("%1: %2").arg(QLatin1String(step), t.SQLErrText);
    };
    t.Database = QStringLiteral("master");
    t.AutoCommit = true;
    if (t.connect() != 0)
        return failed("connect to master");
    if (t.executeImmediate(QStringLiteral("CREATE DATABASE ") + database) != 0)
        return failed("CREATE DATABASE");
    t.Database = database;
    if (t.connect() != 0)
        return failed("connect to the new database");
    if (t.executeImmediate(setupSql) != 0)
        return failed("set-up statement");
    return {};
}
