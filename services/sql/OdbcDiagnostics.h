#pragma once

#include "services/sql/SqlStatus.h"

#include <QList>
#include <QString>

#include <sql.h>

// The diagnostic records of an ODBC handle, turned into the transaction's status: the
// server's messages in the driver's order (a login failure after the reason for it), without
// the driver's bracketed prefixes; the driver's own text only when the server said nothing.
// The status's number is always a server error number, or 0.
class OdbcDiagnostics {
  public:
    struct Record {
        QString state;
        long native = 0;
        QString text;
    };

    // Appends the records of handle (read right after the call that failed or informed).
    void collect(SQLSMALLINT handleType, SQLHANDLE handle);
    void add(const Record& record) { m_records.append(record); }

    const QList<Record>& records() const { return m_records; }
    bool hasState(const QString& statePrefix) const;
    // The driver manager could not find or load the driver.
    bool driverNotLoaded() const;
    // False for the driver's and the driver manager's own records.
    static bool isServerMessage(const Record& record);

    // "Login failed for user ..."
    static constexpr long kLoginFailed = 18456;

    // -1 with the server's messages, or with the driver's when there are none.
    SqlStatus errorStatus(const QString& fallback) const;

    // "[FreeTDS][SQL Server]Invalid object name 'x'." -> "Invalid object name 'x'."
    static QString stripPrefixes(const QString& text);

  private:
    SqlStatus textStatus(const QString& fallback) const;

    QList<Record> m_records;
};
