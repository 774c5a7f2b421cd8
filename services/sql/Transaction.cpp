#include "services/sql/Transaction.h"

#include "services/sql/BlockingCall.h"
#include "services/sql/ConnectionSettings.h"
#include "services/sql/OdbcDiagnostics.h"
#include "services/sql/OdbcDriverCatalog.h"
#include "services/sql/OdbcLink.h"
#include "services/sql/OdbcStatement.h"
#include "services/sql/OdbcWide.h"
#include "services/sql/SqlStatus.h"

#include <QRegularExpression>

#include <chrono>
#include <functional>
#include <thread>

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

namespace {

const QString kNotConnected = QStringLiteral("The transaction is not connected to a database.");
const QString kBusy = QStringLiteral("Another database call of this transaction is still running.");
const QString kClosing =
    QStringLiteral("The program is closing: nothing more is sent to the server.");

// RESTORE and BACKUP run as long as the data takes, and a cancelled restore leaves the
// database unusable on the server.
bool isRestoreOrBackup(const QString& sql) {
    const QString head = sql.trimmed().section(QRegularExpression(QStringLiteral("\\s")), 0, 0);
    return head.compare(u"RESTORE", Qt::CaseInsensitive) == 0 ||
           head.compare(u"BACKUP", Qt::CaseInsensitive) == 0;
}

SqlStatus loginNotAnswered(const ConnectionSettings& settings) {
    return SqlStatus::error(QStringLiteral("The server \"%1\" did not answer within %2 seconds.")
                                .arg(settings.serverName())
                                .arg(settings.loginTimeoutSeconds()));
}

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
        return loginNotAnswered(settings);
    // The driver's most specific sentence, without its Sybase wording.
    QString reason = status.text.section(u'\n', 0, 0);
    reason.replace(QStringLiteral("Adaptive Server"), QStringLiteral("the server"));
    return SqlStatus::error(QStringLiteral("Cannot connect to the server \"%1\": %2")
                                .arg(settings.serverName(), reason));
}

} // namespace

struct Transaction::Impl {
    explicit Impl(BlockingCall* given) : calls(given ? given : &ownCalls) {}
    ~Impl() { close(false, kClosingWait); }

    BlockingCall ownCalls;
    BlockingCall* calls;

    OdbcLink::Environment env;
    std::shared_ptr<OdbcLink> link;
    quint64 linkId = 0;
    quint64 connects = 0;
    bool autoCommit = false;
    bool busy = false;
    int queryTimeout = ConnectionSettings::kDefaultQueryTimeout;
    int restoreTimeout = ConnectionSettings::kDefaultRestoreTimeout;

    // At the end the server gets a moment to roll back; it does so itself once the link closes.
    static constexpr std::chrono::milliseconds kClosingWait{1500};

    // What a job does on the worker thread. It owns everything it touches: the UI thread may
    // have stopped waiting for it.
    using Job = std::function<SqlStatus(OdbcLink&)>;

    // How long the UI thread waits for a call the driver should end at limitSeconds: the
    // driver's cancel waits up to one more limit for the server's answer.
    static std::chrono::milliseconds waitFor(int limitSeconds) {
        return std::chrono::milliseconds(2000LL * limitSeconds + 500);
    }

    // Runs job on the live link, bounded; a link found gone, or a call abandoned, is lost.
    SqlStatus call(int limitSeconds, Job job, bool closable = true,
                   std::chrono::milliseconds wait = {}) {
        struct Result {
            SqlStatus status;
            bool dead = false;
        };
        const std::shared_ptr<OdbcLink> running = link;
        auto result = std::make_shared<Result>();
        BlockingCall::Options options;
        options.limit = wait.count() > 0 ? wait : waitFor(limitSeconds);
        options.closable = closable;
        options.cancel = [running] { running->cancel(); };
        const BlockingCall::Outcome outcome = calls->run(
            [running, result, job = std::move(job)] {
                result->status = job(*running);
                if (result->status.code < 0)
                    result->dead = running->isDead();
            },
            options);
        if (outcome == BlockingCall::Outcome::Abandoned) {
            loseLink();
            return notAnswered(limitSeconds);
        }
        if (result->dead)
            loseLink();
        return result->status.timedOut ? notAnswered(limitSeconds) : result->status;
    }

    static SqlStatus notAnswered(int limitSeconds) {
        return SqlStatus::error(QStringLiteral("The server did not answer within %1 seconds; the "
                                               "statement was cancelled.")
                                    .arg(limitSeconds));
    }

    // The handle is never used again; closing it may wait on the network, so not here.
    void loseLink() {
        linkId = 0;
        if (link)
            std::thread([dropped = std::move(link)]() mutable { dropped.reset(); }).detach();
        link.reset();
    }

    static SqlStatus endTransaction(OdbcLink& on, SQLSMALLINT completion) {
        if (SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, on.dbc(), completion)))
            return SqlStatus::ok();
        OdbcDiagnostics diagnostics;
        diagnostics.collect(SQL_HANDLE_DBC, on.dbc());
        return diagnostics.errorStatus(completion == SQL_COMMIT
                                           ? QStringLiteral("The commit failed.")
                                           : QStringLiteral("The rollback failed."));
    }

    // Ends the connection; pending work is committed or rolled back first.
    SqlStatus close(bool commitPending, std::chrono::milliseconds wait = {}) {
        if (!link)
            return SqlStatus::ok();
        const bool manual = !autoCommit;
        const SqlStatus status = call(
            queryTimeout,
            [manual, commitPending](OdbcLink& on) {
                SqlStatus ended;
                if (manual)
                    ended = endTransaction(on, commitPending ? SQL_COMMIT : SQL_ROLLBACK);
                on.disconnect();
                return ended;
            },
            true, wait);
        link.reset();
        linkId = 0;
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

    // Runs on the worker thread and touches nothing but its arguments.
    static SqlStatus open(const OdbcLink::Environment& env, const ConnectionSettings& settings,
                          const QString& driver, const QString& connectionString, bool manualCommit,
                          std::shared_ptr<OdbcLink>& opened) {
        SQLHDBC handle = SQL_NULL_HDBC;
        if (!SQL_SUCCEEDED(
                SQLAllocHandle(SQL_HANDLE_DBC, static_cast<SQLHENV>(env.get()), &handle)))
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
        auto connected = std::make_shared<OdbcLink>(env, handle);
        // Set after login: with FreeTDS this sends the isolation, then BEGIN TRANSACTION.
        SqlStatus status;
        if (settings.isolation() != 0)
            status =
                setConnectAttribute(handle, SQL_ATTR_TXN_ISOLATION, SQLULEN(settings.isolation()));
        if (status.code == 0 && manualCommit)
            status = setConnectAttribute(handle, SQL_ATTR_AUTOCOMMIT, SQL_AUTOCOMMIT_OFF);
        if (status.code == 0)
            opened = std::move(connected);
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
    if (d->calls->quitRequested()) {
        apply(SqlStatus::error(kClosing));
        return true;
    }
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
    const SqlStatus status = d->call(d->queryTimeout, [on](OdbcLink& link) {
        // The driver rolls back when autocommit goes back on; the work done so far must stay.
        if (on) {
            const SqlStatus committed = Impl::endTransaction(link, SQL_COMMIT);
            if (committed.code != 0)
                return committed;
        }
        return Impl::setConnectAttribute(link.dbc(), SQL_ATTR_AUTOCOMMIT,
                                         on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF);
    });
    if (status.code == 0)
        d->autoCommit = on;
    apply(status);
}

bool Transaction::isConnected() const {
    return d->link != nullptr;
}

quint64 Transaction::connectionId() const {
    return d->linkId;
}

bool Transaction::isAlive() {
    if (!isConnected() || d->busy || d->calls->quitRequested())
        return false;
    if (d->link->isDead()) {
        d->loseLink();
        return false;
    }
    BusyScope busy(d->busy);
    const int timeout = d->queryTimeout;
    const SqlStatus probe = d->call(timeout, [timeout](OdbcLink& link) {
        OdbcStatement statement(link.dbc());
        if (!statement.prepare({}, timeout))
            return statement.status();
        const OdbcLink::Running running(link, statement.handle());
        const SQLRETURN rc = statement.execute(QStringLiteral("select 1"));
        return SQL_SUCCEEDED(rc) && statement.finish() ? SqlStatus::ok() : statement.status();
    });
    // A connection that cannot answer the simplest question is of no use to anyone.
    if (probe.code < 0)
        d->loseLink();
    return isConnected();
}

int Transaction::connect() {
    if (refuseWhenBusy())
        return int(SQLCode);
    BusyScope busy(d->busy);
    if (isConnected())
        d->close(true);

    ConnectionSettings settings;
    if (const ConnectionSettings::Result read = settings.read({.DBMS = DBMS,
                                                               .Database = Database,
                                                               .LogId = LogId,
                                                               .LogPass = LogPass,
                                                               .ServerName = ServerName,
                                                               .Lock = Lock,
                                                               .DBParm = DBParm});
        !read)
        return apply(SqlStatus::error(read.error));
    if (!d->env)
        d->env = OdbcLink::newEnvironment();
    if (!d->env)
        return apply(SqlStatus::error(QStringLiteral("The ODBC driver manager (unixODBC) could "
                                                     "not be initialised.")));
    const OdbcDriverCatalog drivers(static_cast<SQLHENV>(d->env.get()));
    const QString driver = drivers.resolve(settings.explicitDriver());
    QString connectionString;
    if (const ConnectionSettings::Result built =
            settings.buildConnectionString(driver, drivers.isFreeTds(driver), connectionString);
        !built)
        return apply(SqlStatus::error(built.error));

    struct Result {
        SqlStatus status;
        std::shared_ptr<OdbcLink> link;
    };
    auto result = std::make_shared<Result>();
    BlockingCall::Options options;
    options.limit = Impl::waitFor(settings.loginTimeoutSeconds());
    const bool manualCommit = !d->autoCommit;
    const BlockingCall::Outcome outcome = d->calls->run(
        [result, env = d->env, settings, driver, connectionString, manualCommit] {
            result->status =
                Impl::open(env, settings, driver, connectionString, manualCommit, result->link);
        },
        options);
    if (outcome == BlockingCall::Outcome::Abandoned)
        return apply(loginNotAnswered(settings));
    if (result->link) {
        d->link = std::move(result->link);
        d->linkId = ++d->connects;
        d->queryTimeout = settings.queryTimeoutSeconds();
        d->restoreTimeout = settings.restoreTimeoutSeconds();
    }
    return apply(result->status);
}

int Transaction::disconnect() {
    if (refuseUnlessReady())
        return int(SQLCode);
    BusyScope busy(d->busy);
    return apply(d->close(true));
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
    return apply(d->call(d->queryTimeout, [commitIt](OdbcLink& link) {
        return Impl::endTransaction(link, commitIt ? SQL_COMMIT : SQL_ROLLBACK);
    }));
}

int Transaction::executeImmediate(const QString& sql) {
    if (refuseUnlessReady())
        return int(SQLCode);
    BusyScope busy(d->busy);
    const bool restore = isRestoreOrBackup(sql);
    const int timeout = restore ? d->restoreTimeout : d->queryTimeout;
    return apply(d->call(
        timeout,
        [sql, timeout](OdbcLink& link) {
            OdbcStatement statement(link.dbc());
            if (!statement.prepare({}, timeout))
                return statement.status();
            const OdbcLink::Running running(link, statement.handle());
            const SQLRETURN rc = statement.execute(sql);
            // A statement with no count or result (CREATE, SET, RESTORE) reports "no data".
            const bool ok = SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA;
            return ok && statement.finish() ? SqlStatus::ok() : statement.status();
        },
        !restore));
}

int Transaction::execute(const QString& sql, const QList<QVariant>& inputs) {
    if (refuseUnlessReady())
        return int(SQLCode);
    BusyScope busy(d->busy);
    const int timeout = d->queryTimeout;
    return apply(d->call(timeout, [sql, inputs, timeout](OdbcLink& link) {
        OdbcStatement statement(link.dbc());
        if (!statement.prepare(inputs, timeout))
            return statement.status();
        const OdbcLink::Running running(link, statement.handle());
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
    QList<QList<QVariant>> rows;
    const int rc = select(sql, inputs, rows, true);
    if (rc == 0)
        outputs = rows.first();
    return rc;
}

int Transaction::selectRows(const QString& sql, const QList<QVariant>& inputs,
                            QList<QList<QVariant>>& rows) {
    return select(sql, inputs, rows, false);
}

int Transaction::select(const QString& sql, const QList<QVariant>& inputs,
                        QList<QList<QVariant>>& rows, bool firstOnly) {
    if (refuseUnlessReady())
        return int(SQLCode);
    BusyScope busy(d->busy);
    const int timeout = d->queryTimeout;
    auto read = std::make_shared<QList<QList<QVariant>>>();
    const SqlStatus status =
        d->call(timeout, [sql, inputs, timeout, firstOnly, read](OdbcLink& link) {
            OdbcStatement statement(link.dbc());
            if (!statement.prepare(inputs, timeout))
                return statement.status();
            const OdbcLink::Running running(link, statement.handle());
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
                    read->append(row);
                    // Further rows of a single-row select are not wanted.
                    if (firstOnly)
                        break;
                }
            }
            if (!statement.finish())
                return statement.status();
            return read->isEmpty() ? SqlStatus::noRow() : SqlStatus::ok();
        });
    if (status.code >= 0)
        rows = *read;
    return apply(status);
}
