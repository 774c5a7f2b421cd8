#pragma once

// Header-only: a fresh copy of the shipped working database for each test that needs one.

#include "StandinServer.h"
#include "Transaction.h"

#include <QDir>
#include <QString>

inline const QString& hotelPassword() {
    static const QString password = QStringLiteral("Dv'p]w1");
    return password;
}

// Fills in the connection fields of t for `database` on `server`.
inline void configureHotel(Transaction& t, const StandinServer& server, const QString& database) {
    t.DBMS = QStringLiteral("MSS Microsoft SQL Server 7.x");
    t.ServerName = server.serverName();
    t.Database = database;
    t.LogId = QStringLiteral("sa");
    t.LogPass = hotelPassword();
    t.DBParm = QStringLiteral("LoginTimeout='5'");
}

// Restores the backup "vqdata" as `database` (its files in `fileDir`) through master. Empty on
// success, otherwise the server's text.
inline QString restoreHotel(const StandinServer& server, const QString& database,
                            const QString& fileDir) {
    Transaction master;
    configureHotel(master, server, QStringLiteral("master"));
    master.AutoCommit = true;
    if (master.connect() != 0)
        return QStringLiteral("connect to master: ") + master.SQLErrText;
    const QString files = QDir::toNativeSeparators(fileDir);
    const QString restore =
        QStringLiteral("RESTORE DATABASE %1 FROM DISK = '%2/vqdata' WITH MOVE 'hotel_data' TO "
                       "'%3/%1_data.mdf', MOVE 'hotel_log' TO '%3/%1_log.ldf'")
            .arg(database, StandinServer::backupDir(), files);
    if (master.executeImmediate(restore) != 0)
        return QStringLiteral("restore: ") + master.SQLErrText;
    master.disconnect();
    return {};
}
