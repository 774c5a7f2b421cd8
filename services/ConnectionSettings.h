#pragma once

#include "DbParm.h"

#include <QString>

// What a connect needs, read from the transaction's fields: the checks that fail a connect
// before the driver is asked, and the ODBC connection string once the driver is known.
class ConnectionSettings {
  public:
    struct Fields {
        QString DBMS;
        QString Database;
        QString LogId;
        QString LogPass;
        QString ServerName;
        QString Lock;
        QString DBParm;
    };

    // False with errorText() when a field cannot be used.
    bool read(const Fields& fields);
    QString errorText() const { return m_error; }

    QString explicitDriver() const { return m_parm.value(QStringLiteral("Driver")); }
    int loginTimeoutSeconds() const { return m_loginTimeout; }
    // An SQL_TXN_* value, or 0 to leave the server's isolation level.
    int isolation() const { return m_isolation; }
    QString serverName() const { return m_host + (m_port.isEmpty() ? QString() : u',' + m_port); }

    // False with errorText() when a value cannot be passed to this driver.
    bool buildConnectionString(const QString& driver, bool freeTds, QString& out);

    static constexpr int kDefaultLoginTimeout = 15;

  private:
    bool fail(const QString& text);

    Fields m_fields;
    DbParm m_parm;
    QString m_host; // "host" or "host\instance"
    QString m_port;
    int m_loginTimeout = kDefaultLoginTimeout;
    int m_isolation = 0;
    QString m_error;
};
