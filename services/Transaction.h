#pragma once

#include <QList>
#include <QString>
#include <QVariant>

#include <memory>

// The one database connection every page works through (the global transaction of the
// hotel programs). A real SQL Server client over ODBC; every operation sets SQLCode,
// SQLDBCode and SQLErrText and never throws.
//
// Values travel as QVariant: QString (text), qlonglong/int (integer), QDateTime (datetime,
// the server's wall-clock value). A null input is a null QVariant of the intended type
// (for example QVariant(QMetaType::fromType<QString>())) or a plain QVariant().
class Transaction {
public:
    Transaction();
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // Connection parameters, in the order the hotel programs know them.
    QString DBMS;
    QString Database;
    QString UserId;
    QString LogId;
    QString LogPass;
    QString ServerName;
    QString Lock;
    QString DBParm;

    // Status of the last operation: 0 success, 100 no row, -1 error.
    long SQLCode = 0;
    long SQLDBCode = 0;
    QString SQLErrText;

    bool autoCommit() const;
    // Takes effect at once on a live connection; switching to true keeps earlier work.
    void setAutoCommit(bool on);

    bool isConnected() const;

    int connect();
    int disconnect();
    int commit();
    int rollback();

    // Immediate execution of a statement text (no inputs, no result set).
    int executeImmediate(const QString& sql);
    // A non-select statement with bound inputs.
    int execute(const QString& sql, const QList<QVariant>& inputs = {});
    // A single-row select: outputs receive the first row's columns; 100 when no row.
    int selectRow(const QString& sql, const QList<QVariant>& inputs, QList<QVariant>& outputs);
    // A multi-row select for the data views: every row, every column.
    int selectRows(const QString& sql, const QList<QVariant>& inputs,
                   QList<QList<QVariant>>& rows);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
