#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <sql.h>
#include <sqlext.h>

// What one statement batch gave back through the driver.
struct SqlOutcome {
    SQLRETURN rc = SQL_ERROR;
    QList<QStringList> rows;
    QList<int> numbers; // native (SQL Server) message numbers, in order
    QStringList texts;
    QStringList states; // their SQLSTATEs
    SQLLEN rowCount = -1;
    bool ok() const { return SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA; }
    // The messages as "Msg N: text" lines, for a failure report.
    QString report() const;
};

// One bare ODBC connection, for tests that look at the server below the tool and for the
// fixtures that make and drop test databases.
class OdbcSession {
  public:
    OdbcSession() = default;
    ~OdbcSession();
    OdbcSession(const OdbcSession&) = delete;
    OdbcSession& operator=(const OdbcSession&) = delete;

    bool connect(const QString& connectionString);
    // Why the last connect failed.
    QString connectError() const { return m_connectFailure.texts.join(u'\n'); }
    const SqlOutcome& connectFailure() const { return m_connectFailure; }
    SQLHDBC handle() const { return m_dbc; }
    // What a NULL reads as in rows: empty unless set.
    void setNullText(const QString& text) { m_nullText = text; }
    void disconnect();
    void setAutocommit(bool on);
    bool endTran(bool commit);
    // Strings bind as NVARCHAR, date-times as DATETIME (as the tool binds them); an invalid
    // QVariant binds NULL.
    SqlOutcome exec(const QString& sql, const QVariantList& params = {});

    struct Column {
        QString name;
        SQLSMALLINT type = 0;
        SQLULEN size = 0;
    };
    // SQLPrepare + SQLDescribeCol: the columns announced before anything runs.
    QList<Column> describe(const QString& sql);

    // The diagnostics a handle holds now, for statements a test drives by hand.
    static SqlOutcome diagnostics(SQLSMALLINT type, SQLHANDLE h);
    // The rows of the statement's current result set, each column as text.
    QList<QStringList> fetchAll(SQLHSTMT st) const;

  private:
    static void collect(SQLSMALLINT type, SQLHANDLE h, SqlOutcome& out);
    SQLHENV m_env = SQL_NULL_HENV;
    SQLHDBC m_dbc = SQL_NULL_HDBC;
    SqlOutcome m_connectFailure;
    QString m_nullText;
};
