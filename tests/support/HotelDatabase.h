#pragma once

// Header-only, as TestDatabase.h: a fresh copy of the shipped working database for each test
// that needs one, and a second user of it. Only tests that link the tool's SQL library include it.

#include "services/sql/Transaction.h"
#include "tests/support/StandinServer.h"
#include "tests/support/TestDatabase.h"

#include <QDebug>
#include <QDir>
#include <QList>
#include <QString>
#include <QVariant>

inline const QString& hotelPassword() {
    static const QString password = QStringLiteral("Dv'p]w1");
    return password;
}

// Restores the backup "vqdata" (12 periods, no business row) as `database` (its files in
// `fileDir`) through master. Empty on success, otherwise the server's text.
inline QString restoreHotel(const StandinServer& server, const QString& database,
                            const QString& fileDir) {
    Transaction master;
    configureSa(master, server, QStringLiteral("master"));
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

// Some other user of the database: a second connection that commits every statement.
class OtherUser {
  public:
    OtherUser(const StandinServer& server, const QString& database) {
        configureSa(m_t, server, database);
        m_t.AutoCommit = true;
        if (m_t.connect() != 0)
            qWarning() << "other user: connect:" << m_t.SQLErrText;
    }

    // The statement's return code; a failure is logged with the server's text.
    int execute(const QString& sql, const QList<QVariant>& inputs = {}) {
        const int rc = m_t.execute(sql, inputs);
        if (rc < 0)
            qWarning() << sql << m_t.SQLErrText;
        return rc;
    }

    // The first column of the first row: "<none>" without a row, "<null>" for null,
    // "<error …>" with the server's text when the select fails.
    QString value(const QString& sql) {
        QList<QVariant> out;
        const int rc = m_t.selectRow(sql, {}, out);
        if (rc == 100)
            return QStringLiteral("<none>");
        if (rc < 0)
            return QStringLiteral("<error %1>").arg(m_t.SQLErrText);
        return out.value(0).isNull() ? QStringLiteral("<null>") : out.value(0).toString();
    }

    // For reads that need the typed value rather than its text.
    Transaction& transaction() { return m_t; }

  private:
    Transaction m_t;
};
