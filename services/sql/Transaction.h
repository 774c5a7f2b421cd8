#pragma once

#include <QList>
#include <QString>
#include <QVariant>

#include <memory>

class BlockingCall;
struct SqlStatus;

// The one database connection every page works through (the global transaction of the
// hotel programs). A real SQL Server client over ODBC; every operation sets SQLCode,
// SQLDBCode and SQLErrText and never throws. Used from one thread (the UI thread).
//
// Values travel as QVariant: QString (text), qlonglong/int (integer), QDateTime (datetime,
// the server's wall-clock value: the date and time fields of the value given go out
// unconverted, whatever its zone; values read come back with Qt::UTC, which has no
// daylight-saving gaps). Every null goes out as NULL: a plain QVariant(), a null QVariant of
// any type, a null QString, an invalid QDateTime or QDate; an empty QString("") is ''.
// Results come back as int/qlonglong, double, bool (bit), QDateTime, QByteArray, and
// QString for text and decimals (their exact digits); a null as a null QVariant of that type.
// Every call that waits for the server has an end: a connect the DBParm LoginTimeout, a RESTORE
// or BACKUP its RestoreTimeout, everything else its QueryTimeout (seconds). The driver cancels
// at the limit; where it has not answered by twice the limit and half a second, the call is
// abandoned, fails with "The server did not answer within N seconds; the statement was
// cancelled." and the connection counts as lost, as it does whenever the driver finds the link
// gone: the transaction is then not connected. Once the user has closed the window during a
// call, every further call fails at once without sending anything.
// Destroying a connected transaction rolls back its pending work and closes, waiting for the
// server no more than a moment.
class Transaction {
  public:
    // Every call that waits for the server (connect, statements, commit, rollback, disconnect,
    // switching AutoCommit on a live connection) runs through calls, which must outlive the
    // transaction; without one the transaction has a BlockingCall of its own, so a slow server
    // still leaves the UI painting.
    explicit Transaction(BlockingCall* calls = nullptr);
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

    // Assigning the field is setAutoCommit(): "sqlca.AutoCommit = true;" switches a live
    // connection at once. A new transaction starts with AutoCommit false.
    class AutoCommitField {
      public:
        explicit AutoCommitField(Transaction& owner) : m_owner(owner) {}
        AutoCommitField(const AutoCommitField&) = delete;
        AutoCommitField& operator=(bool on);
        AutoCommitField& operator=(const AutoCommitField& other) { return *this = bool(other); }
        operator bool() const;

      private:
        Transaction& m_owner;
    };
    AutoCommitField AutoCommit{*this};

    // Status of the last operation: 0 success, 100 no row, -1 error.
    long SQLCode = 0;
    long SQLDBCode = 0;
    QString SQLErrText;

    bool autoCommit() const;
    // Takes effect at once on a live connection; switching to true keeps earlier work.
    // Refused (SQLCode -1, value kept) while another call of this transaction runs.
    void setAutoCommit(bool on);

    bool isConnected() const;
    // Tells one connection from the next: a number of its own for every successful connect
    // of this transaction, 0 while not connected (also after the link was lost).
    quint64 connectionId() const;
    // Whether the connection still answers: the driver's word, and where it cannot tell, one
    // bounded probe. A connection found gone counts as lost. The status fields stay as they are.
    bool isAlive();

    // Closes an open connection first (committing what was pending, as disconnect() does).
    int connect();
    // Commits pending work, then closes.
    int disconnect();
    // -1 while AutoCommit is true: there is no transaction to end.
    int commit();
    int rollback();

    // Immediate execution of a statement text (no inputs, no result set).
    int executeImmediate(const QString& sql);
    // A non-select statement with bound inputs; 100 when it touched no row.
    int execute(const QString& sql, const QList<QVariant>& inputs = {});
    // A single-row select: outputs receive the first row's columns (further rows are
    // ignored); 100 when no row. outputs is left as it was unless a row was read.
    int selectRow(const QString& sql, const QList<QVariant>& inputs, QList<QVariant>& outputs);
    // A multi-row select for the data views: every row, every column; 100 when no row.
    int selectRows(const QString& sql, const QList<QVariant>& inputs, QList<QList<QVariant>>& rows);

  private:
    struct Impl;
    int apply(const SqlStatus& status);
    // True (status set) while another call runs or once the program is ending.
    bool refuseWhenBusy();
    // For the calls that need a connection: true (status set) when busy or not connected.
    bool refuseUnlessReady();
    // selectRow() and selectRows() differ only in how many rows they keep.
    int select(const QString& sql, const QList<QVariant>& inputs, QList<QList<QVariant>>& rows,
               bool firstOnly);
    // commit() and rollback() differ only in the completion they ask for.
    int endTransaction(bool commitIt);

    std::unique_ptr<Impl> d;
};

inline Transaction::AutoCommitField& Transaction::AutoCommitField::operator=(bool on) {
    m_owner.setAutoCommit(on);
    return *this;
}

inline Transaction::AutoCommitField::operator bool() const {
    return m_owner.autoCommit();
}
