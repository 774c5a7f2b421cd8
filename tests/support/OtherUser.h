#pragma once

// Header-only, as TestDatabase.h: a second user of a test database. Only tests that link the
// tool's SQL library include it.

#include "services/sql/Transaction.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/TestServer.h"

#include <QDebug>
#include <QList>
#include <QString>
#include <QVariant>

inline const QString& hotelPassword() {
    static const QString password = QStringLiteral("Dv'p]w1");
    return password;
}

// Some other user of the database: a second connection that commits every statement. A row
// the transaction under test holds keeps its statements waiting, as on SQL Server, so they give
// up after two seconds.
class OtherUser {
  public:
    OtherUser(const TestServer& server, const QString& database) {
        configureSa(m_t, server, database);
        m_t.DBParm += QStringLiteral(",QueryTimeout='2'");
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
