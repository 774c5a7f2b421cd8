#include "Transaction.h"

#include "BlockingCall.h"
#include "ConnectionSettings.h"
#include "OdbcDiagnostics.h"
#include "OdbcDriverCatalog.h"
#include "OdbcStatement.h"
#include "OdbcWide.h"
#include "SqlStatus.h"

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

namespace {

const QString kNotConnected = QStringLiteral("The transaction is not connected to a database.");
const QString kBusy = QStringLiteral("Another database call of this transaction is still running.");

// Turns a failed connect into words a user understands when the server itself said nothing.
SqlStatus connectFailure(const OdbcDiagnostics& diagnostics, const QString& driver,
                         const ConnectionSettings& settings) {
    SqlStatus status = diagnostics.errorStatus(QStringLiteral("The connect failed."));
    if (status.dbCode != 0)
        return status;
    if (diagnostics.driverNotLoaded())
        return SqlStatus::error(QStringLiteral("The ODBC driver \"%1\" is not installed or could "
                                               "not be loaded (%2).")
                                    .arg(driver, status.text));
    if (diagnostics.hasState(QStringLiteral("HYT")))
        return SqlStatus::error(QStringLiteral("The server \"%1\" did not answer within %2 "
                                               "seconds.")
                                    .arg(settings.serverName())
                                    .arg(settings.loginTimeoutSeconds()));
    // The driver's most specific sentence, without its Sybase wording.
    QString reason = status.text.section(u'\n', 0, 0);
    reason.replace(QStringLiteral("Adaptive Server"), QStringLiteral("the server"));
    return SqlStatus::error(QStringLiteral("Cannot connect to the server \"%1\": %2")
                                .arg(settings.serverName(), reason));
}

} // namespace

struct Transaction::Impl {
    explicit Impl(BlockingCall* given) : calls(given ? given : &ownCalls) {}

    BlockingCall ownCalls;
    BlockingCall* calls;

    // Every call that waits for the server runs off the UI thread, so a slow server never
    // freezes the window: it keeps painting (and any progress popup animating).
    template <typename Work> SqlStatus wait(Work work) {
        SqlStatus status;
        calls->run([&] { status = work(); });
        return status;
    }

    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    bool autoCommit = false;
    bool busy = false;

    ~Impl() {
        closeConnection(false);
        if (env != SQL_NULL_HENV)
            SQLFreeHandle(SQL_HANDLE_ENV, env);
    }

    bool ensureEnvironment() {
        if (env != SQL_NULL_HENV)
            return true;
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env))) {
            env = SQL_NULL_HENV;
            return false;
        }
        SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        return true;
    }

    SqlStatus endTransaction(SQLSMALLINT completion) {
        if (SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, dbc, completion)))
            return SqlStatus::ok();
        OdbcDiagnostics diagnostics;
        diagnostics.collect(SQL_HANDLE_DBC, dbc);
        return diagnostics.errorStatus(completion == SQL_COMMIT
                                           ? QStringLiteral("The commit failed.")
                                           : QStringLiteral("The rollback failed."));
    }

    // Ends the connection; pending work is committed or rolled back first.
    SqlStatus closeConnection(bool commitPending) {
        if (dbc == SQL_NULL_HDBC)
            return SqlStatus::ok();
        SqlStatus status;
        if (!autoCommit)
            status = endTransaction(commitPending ? SQL_COMMIT : SQL_ROLLBACK);
        SQLDisconnect(dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, dbc);
        dbc = SQL_NULL_HDBC;
        return status;
    }

    static SqlStatus setConnectAttribute(SQLHDBC handle, SQLINTEGER attribute, SQLULEN value) {
        if (SQL_SUCCEEDED(SQLSetConnectAttrW(handle, attribute, reinterpret_cast<SQLPOINTER>(value),
                                             SQL_IS_UINTEGER)))
            return SqlStatus::ok();
        OdbcDiagnostics diagnostics;
        diagnostics.collect(SQL_HANDLE_DBC, handle);
        return diagnostics.errorStatus(QStringLiteral("The driver refused a connection option."));
    }

    // Runs on the worker thread: nothing here touches the UI or a member the UI thread may
    // read meanwhile; the caller stores the handle once the call is over.
    SqlStatus open(const ConnectionSettings& settings, const QString& driver,
                   const QString& connectionString, bool manualCommit, SQLHDBC& opened) const {
        SQLHDBC handle = SQL_NULL_HDBC;
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env, &handle)))
            return SqlStatus::error(QStringLiteral("The ODBC driver manager could not create "
                                                   "a connection."));
        SQLSetConnectAttrW(handle, SQL_ATTR_LOGIN_TIMEOUT,
                           reinterpret_cast<SQLPOINTER>(SQLULEN(settings.loginTimeoutSeconds())),
                           SQL_IS_UINTEGER);
        const SQLRETURN rc = SQLDriverConnectW(handle, nullptr, OdbcWide::of(connectionString),
                                               SQLSMALLINT(connectionString.size()), nullptr, 0,
                                               nullptr, SQL_DRIVER_NOPROMPT);
        if (!SQL_SUCCEEDED(rc)) {
            OdbcDiagnostics diagnostics;
            diagnostics.collect(SQL_HANDLE_DBC, handle);
            SQLFreeHandle(SQL_HANDLE_DBC, handle);
            return connectFailure(diagnostics, driver, settings);
        }
        // Set after login: with FreeTDS this sends the isolation, then BEGIN TRANSACTION.
        SqlStatus status;
        if (settings.isolation() != 0)
            status =
                setConnectAttribute(handle, SQL_ATTR_TXN_ISOLATION, SQLULEN(settings.isolation()));
        if (status.code == 0 && manualCommit)
            status = setConnectAttribute(handle, SQL_ATTR_AUTOCOMMIT, SQL_AUTOCOMMIT_OFF);
        if (status.code != 0) {
            SQLDisconnect(handle);
            SQLFreeHandle(SQL_HANDLE_DBC, handle);
            return status;
        }
        opened = handle;
        return status;
    }
};

namespace {

// Marks the transaction busy for the length of one call, so a nested call (from an event
// handled while a long call waits) is refused instead of sharing the connection.
class BusyScope {
  public:
    explicit BusyScope(bool& busy) : m_busy(busy) { m_busy = true; }
    ~BusyScope() { m_busy = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

  private:
    bool& m_busy;
};

} // namespace

Transaction::Transaction(BlockingCall* calls) : d(std::make_unique<Impl>(calls)) {}
Transaction::~Transaction() = default;

int Transaction::apply(const SqlStatus& status) {
    SQLCode = status.code;
    SQLDBCode = status.dbCode;
    SQLErrText = status.text;
    return int(SQLCode);
}

bool Transaction::refuseWhenBusy() {
    if (!d->busy)
        return false;
    apply(SqlStatus::error(kBusy));
    return true;
}

bool Transaction::refuseUnlessReady() {
    if (refuseWhenBusy())
        return true;
    if (isConnected())
        return false;
    apply(SqlStatus::error(kNotConnected));
    return true;
}

bool Transaction::autoCommit() const {
    return d->autoCommit;
}

void Transaction::setAutoCommit(bool on) {
    // A connect in flight reads the mode on its worker thread.
    if (refuseWhenBusy())
        return;
    if (on == d->autoCommit)
        return;
    if (!isConnected()) {
        d->autoCommit = on;
        return;
    }
    BusyScope busy(d->busy);
    // The driver rolls back when autocommit goes back on; the work done so far must stay.
    if (on) {
        const SqlStatus committed = d->endTransaction(SQL_COMMIT);
        if (committed.code != 0) {
            apply(committed);
            return;
        }
    }
    const SqlStatus status = Impl::setConnectAttribute(d->dbc, SQL_ATTR_AUTOCOMMIT,
                                                       on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF);
    if (status.code == 0)
        d->autoCommit = on;
    apply(status);
}

bool Transaction::isConnected() const {
    return d->dbc != SQL_NULL_HDBC;
}

int Transaction::connect() {
    if (refuseWhenBusy())
        return int(SQLCode);
    BusyScope busy(d->busy);
    if (isConnected())
        d->closeConnection(true);

    ConnectionSettings settings;
    if (!settings.read({DBMS, Database, LogId, LogPass, ServerName, Lock, DBParm}))
        return apply(SqlStatus::error(settings.errorText()));
    if (!d->ensureEnvironment())
        return apply(SqlStatus::error(QStringLiteral("The ODBC driver manager (unixODBC) could "
                                                     "not be initialised.")));
    const OdbcDriverCatalog drivers(d->env);
    const QString driver = drivers.resolve(settings.explicitDriver());
    QString connectionString;
    if (!settings.buildConnectionString(driver, drivers.isFreeTds(driver), connectionString))
        return apply(SqlStatus::error(settings.errorText()));

    SqlStatus status;
    SQLHDBC opened = SQL_NULL_HDBC;
    const bool manualCommit = !d->autoCommit;
    d->calls->run(
        [&] { status = d->open(settings, driver, connectionString, manualCommit, opened); });
    d->dbc = opened;
    return apply(status);
}

int Transaction::disconnect() {
    if (refuseUnlessReady())
        return int(SQLCode);
    BusyScope busy(d->busy);
    return apply(d->wait([&] { return d->closeConnection(true); }));
}

int Transaction::commit() {
    return endTransaction(true);
}

int Transaction::rollback() {
    return endTransaction(false);
}

int Transaction::endTransaction(bool commitIt) {
    if (refuseUnlessReady())
        return int(SQLCode);
    if (d->autoCommit)
        return apply(SqlStatus::error(
            QStringLiteral("AutoCommit is on: there is no transaction to %1.")
                .arg(commitIt ? QStringLiteral("commit") : QStringLiteral("roll back"))));
    BusyScope busy(d->busy);
    return apply(d->wait([&] { return d->endTransaction(commitIt ? SQL_COMMIT : SQL_ROLLBACK); }));
}

int Transaction::executeImmediate(const QString& sql) {
    if (refuseUnlessReady())
        return int(SQLCode);
    BusyScope busy(d->busy);
    return apply(d->wait([&] {
        OdbcStatement statement(d->dbc);
        if (!statement.prepare({}))
            return statement.status();
        const SQLRETURN rc = statement.execute(sql);
        // A statement with no count or result (CREATE, SET, RESTORE) reports "no data".
        const bool ok = SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA;
        return ok && statement.finish() ? SqlStatus::ok() : statement.status();
    }));
}

int Transaction::execute(const QString& sql, const QList<QVariant>& inputs) {
    if (refuseUnlessReady())
        return int(SQLCode);
    BusyScope busy(d->busy);
    return apply(d->wait([&] {
        OdbcStatement statement(d->dbc);
        if (!statement.prepare(inputs))
            return statement.status();
        const SQLRETURN rc = statement.execute(sql);
        if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA)
            return statement.status();
        // An UPDATE or DELETE that matched nothing: "no data" from a batch, a count of 0 from a
        // statement with bound inputs.
        const bool noRow = rc == SQL_NO_DATA || statement.rowCount() == 0;
        if (!statement.finish())
            return statement.status();
        return noRow ? SqlStatus::noRow() : SqlStatus::ok();
    }));
}

int Transaction::selectRow(const QString& sql, const QList<QVariant>& inputs,
                           QList<QVariant>& outputs) {
    if (refuseUnlessReady())
        return int(SQLCode);
    BusyScope busy(d->busy);
    QList<QVariant> row;
    const SqlStatus status = d->wait([&] {
        OdbcStatement statement(d->dbc);
        if (!statement.prepare(inputs))
            return statement.status();
        const SQLRETURN rc = statement.execute(sql);
        if (rc == SQL_NO_DATA)
            return SqlStatus::noRow();
        if (!SQL_SUCCEEDED(rc) || !statement.describeColumns())
            return statement.status();
        const SQLRETURN fetched = statement.fetch(row);
        if (fetched == SQL_NO_DATA)
            return statement.finish() ? SqlStatus::noRow() : statement.status();
        if (fetched != SQL_SUCCESS || !statement.finish())
            return statement.status();
        return SqlStatus::ok();
    });
    if (status.code == 0)
        outputs = row;
    return apply(status);
}

int Transaction::selectRows(const QString& sql, const QList<QVariant>& inputs,
                            QList<QList<QVariant>>& rows) {
    if (refuseUnlessReady())
        return int(SQLCode);
    BusyScope busy(d->busy);
    QList<QList<QVariant>> read;
    const SqlStatus status = d->wait([&] {
        OdbcStatement statement(d->dbc);
        if (!statement.prepare(inputs))
            return statement.status();
        const SQLRETURN rc = statement.execute(sql);
        if (rc != SQL_NO_DATA) {
            if (!SQL_SUCCEEDED(rc) || !statement.describeColumns())
                return statement.status();
            for (;;) {
                QList<QVariant> row;
                const SQLRETURN fetched = statement.fetch(row);
                if (fetched == SQL_NO_DATA)
                    break;
                if (fetched != SQL_SUCCESS)
                    return statement.status();
                read.append(row);
            }
        }
        if (!statement.finish())
            return statement.status();
        return read.isEmpty() ? SqlStatus::noRow() : SqlStatus::ok();
    });
    if (status.code >= 0)
        rows = read;
    return apply(status);
}
