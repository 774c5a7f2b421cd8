#pragma once

#include "services/sql/DbParm.h"

#include <QString>

// What a connect needs, read from the transaction's fields: the checks that fail a connect
// before the driver is asked, and the ODBC connection string once the driver is known.
class ConnectionSettings {
  public:
    // Filled by name (designated initialisers), so two fields cannot change places unseen.
    struct Fields {
        QString DBMS;
        QString Database;
        QString LogId;
        QString LogPass;
        QString ServerName;
        QString Lock;
        QString DBParm;
    };

    struct Result {
        bool ok = true;
        QString error; // why the settings cannot be used; empty on success
        explicit operator bool() const { return ok; }
    };

    // Fails when a field cannot be used.
    Result read(const Fields& fields);

    QString explicitDriver() const { return m_parm.value(QStringLiteral("Driver")); }
    int loginTimeoutSeconds() const { return m_loginTimeout; }
    // The most a statement, commit, rollback or disconnect may wait for the server, and a
    // RESTORE: DBParm QueryTimeout and RestoreTimeout, which the tool keeps to itself.
    int queryTimeoutSeconds() const { return m_queryTimeout; }
    int restoreTimeoutSeconds() const { return m_restoreTimeout; }
    // An SQL_TXN_* value, or 0 to leave the server's isolation level.
    int isolation() const { return m_isolation; }
    QString serverName() const { return m_host + (m_port.isEmpty() ? QString() : u',' + m_port); }

    // Fails when a value cannot be passed to this driver; `out` is set only on success.
    Result buildConnectionString(const QString& driver, bool freeTds, QString& out);

    static constexpr int kDefaultLoginTimeout = 15;
    static constexpr int kDefaultQueryTimeout = 30;
    static constexpr int kDefaultRestoreTimeout = 1800;

  private:
    // A DBParm limit in whole seconds from 1 to 86400, or its default when absent.
    Result readLimit(const QString& name, int defaultSeconds, int& seconds);

    Fields m_fields;
    DbParm m_parm;
    QString m_host; // "host" or "host\instance"
    QString m_port;
    int m_loginTimeout = kDefaultLoginTimeout;
    int m_queryTimeout = kDefaultQueryTimeout;
    int m_restoreTimeout = kDefaultRestoreTimeout;
    int m_isolation = 0;
};
