#include "services/sql/BlockingCall.h"
#include "services/sql/ConnectionSettings.h"
#include "services/sql/OdbcDiagnostics.h"
#include "services/sql/OdbcDriverCatalog.h"
#include "services/sql/Transaction.h"
#include "tests/support/OtherUser.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/TestDatabases.h"
#include "tests/support/TestServer.h"

#include <QElapsedTimer>
#include <QScopeGuard>
#include <QTcpServer>
#include <QtTest>

#include <ctime>
#include <functional>

namespace {

// Every connection of these tests passes a password that would break an unquoted
// connection string.
const QString kPassword = QStringLiteral("Se;cr}et=1");
const QString kMss = QStringLiteral("MSS Microsoft SQL Server 7.x");

} // namespace

Q_DECLARE_METATYPE(OdbcDiagnostics::Record)

class TestTransaction : public QObject {
    Q_OBJECT

    TestServer m_server{kPassword};
    TestDatabases m_databases{m_server};
    const QString m_database = TestDatabases::uniqueName(QStringLiteral("sqlca"));

    void configure(Transaction& t) { configureSa(t, m_server, m_database); }

    // The value of t_sqlca.v for key k as a second connection sees it; "<error …>" when the
    // row is locked away from it, "<none>" when there is no row.
    QString seenByOthers(int k) {
        return OtherUser(m_server, m_database)
            .value(QStringLiteral("select v from t_sqlca where k = %1").arg(k));
    }

    int open(Transaction& t, bool autoCommit) {
        configure(t);
        t.AutoCommit = autoCommit;
        return t.connect();
    }

    // Connected with AutoCommit on, and no row k in t_sqlca.
    int openWithoutRow(Transaction& t, int k) {
        const int rc = open(t, true);
        t.execute(QStringLiteral("delete from t_sqlca where k = ?"), {k});
        return rc;
    }

    // Row k with `value` in `column`.
    static int insert(Transaction& t, int k, const QString& column, const QVariant& value) {
        return t.execute(
            QStringLiteral("insert into t_sqlca ( k , %1 ) values ( ? , ? )").arg(column),
            {k, value});
    }

    static int setValue(Transaction& t, int k, const QString& v) {
        return t.execute(QStringLiteral("update t_sqlca set v = ? where k = ?"), {v, k});
    }

    void resetRow(int k, const QString& v) {
        OtherUser other(m_server, m_database);
        other.execute(QStringLiteral("delete from t_sqlca where k = ?"), {k});
        QCOMPARE(insert(other.transaction(), k, "v", v), 0);
    }

  private slots:
    void initTestCase() {
        QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
        const QString error = m_databases.createEmpty(
            m_database,
            QStringLiteral("CREATE TABLE t_sqlca ( k int PRIMARY KEY, v nvarchar(100) NULL, "
                           "d datetime NULL, m ntext NULL, n int NULL )"));
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }

    void cleanupTestCase() {
        const QString left = m_databases.dropAll();
        QVERIFY2(left.isEmpty(), qPrintable(left));
    }

    // ---- connect ----

    void connectRefusesFieldsItCannotUse_data() {
        QTest::addColumn<QString>("dbms");
        QTest::addColumn<QString>("serverName");
        QTest::addColumn<QString>("lock");
        QTest::addColumn<QString>("dbParm");
        QTest::addColumn<QString>("textPart");
        const QString server = QStringLiteral("127.0.0.1,1433");
        const auto row = [](const char* tag, const QString& dbms, const QString& serverName,
                            const QString& lock, const QString& dbParm, const QString& textPart) {
            QTest::newRow(tag) << dbms << serverName << lock << dbParm << textPart;
        };
        const auto parm = [&](const char* tag, const QString& dbParm, const QString& textPart) {
            row(tag, kMss, server, "", dbParm, textPart);
        };
        row("empty DBMS", "", server, "", "", "DBMS is empty");
        row("other DBMS", "O84 Oracle8/8i", server, "", "",
            "DBMS \"O84 Oracle8/8i\" is not supported");
        parm("DBParm without value", "Driver", "DBParm is malformed");
        parm("DBParm unclosed quote", "Encrypt='no", "no closing quote");
        parm("DBParm text after value", "Encrypt='no' x", "unexpected text");
        parm("DBParm name twice", "A='1',a='2'", "given twice");
        parm("DBParm injects a name", "X;UID='1'", "contains ';'");
        parm("DBParm overrides a field", "PWD='x'", "must not set PWD");
        parm("LoginTimeout not a number", "LoginTimeout='soon'", "LoginTimeout 'soon'");
        const QString seconds = " must be a whole number of seconds from 1 to 86400.";
        parm("QueryTimeout zero", "QueryTimeout='0'", "QueryTimeout" + seconds);
        parm("QueryTimeout a fraction", "QueryTimeout='1.5'", "QueryTimeout" + seconds);
        parm("RestoreTimeout beyond a day", "RestoreTimeout='86401'", "RestoreTimeout" + seconds);
        row("port not a number", kMss, "127.0.0.1,abc", "", "", "port after the comma");
        row("no server", kMss, "  ", "", "", "ServerName is empty");
        row("unknown Lock", kMss, server, "XX", "", "Lock \"XX\"");
        parm("password FreeTDS cannot receive", "Driver='FreeTDS',X='a};b'", "X contains \"};\"");
        parm("driver not installed", "Driver='NoSuchDriver'",
             "ODBC driver \"NoSuchDriver\" is not installed");
    }
    void connectRefusesFieldsItCannotUse() {
        QFETCH(QString, dbms);
        QFETCH(QString, serverName);
        QFETCH(QString, lock);
        QFETCH(QString, dbParm);
        QFETCH(QString, textPart);
        Transaction t;
        t.DBMS = dbms;
        t.ServerName = serverName;
        t.Lock = lock;
        t.DBParm = dbParm;
        t.LogId = QStringLiteral("sa");
        QCOMPARE(t.connect(), -1);
        QCOMPARE(t.SQLCode, -1L);
        QCOMPARE(t.SQLDBCode, 0L);
        QVERIFY2(t.SQLErrText.contains(textPart), qPrintable(t.SQLErrText));
        QVERIFY(!t.isConnected());
    }

    void environmentChoosesTheDriverUnlessDBParmDoes() {
        qputenv("VARNOSET_ODBC_DRIVER", "EnvOnlyDriver");
        const auto restore = qScopeGuard([] { qunsetenv("VARNOSET_ODBC_DRIVER"); });
        Transaction t;
        configure(t);
        QCOMPARE(t.connect(), -1);
        QVERIFY2(t.SQLErrText.contains(u"\"EnvOnlyDriver\""), qPrintable(t.SQLErrText));
        t.DBParm = QStringLiteral("Driver='FreeTDS'");
        QCOMPARE(t.connect(), 0);
    }

    // What each kind of driver receives; a real SQL Server is reached through these strings.
    // Without a registration in odbcinst, FreeTDS's library is looked for on any architecture.
    void freeTdsLibraryIsFoundInAnyLayout_data() {
        QTest::addColumn<QString>("placed");
        QTest::newRow("arm64 multiarch") << "usr/lib/aarch64-linux-gnu/odbc";
        QTest::newRow("x86-64 multiarch") << "usr/lib/x86_64-linux-gnu/odbc";
        QTest::newRow("unsplit") << "usr/lib/odbc";
        QTest::newRow("nowhere") << "";
    }
    void freeTdsLibraryIsFoundInAnyLayout() {
        QFETCH(QString, placed);
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkpath(QStringLiteral("usr/lib/i386-linux-gnu/odbc")));
        QString expected;
        if (!placed.isEmpty()) {
            QVERIFY(QDir(root.path()).mkpath(placed));
            expected = root.filePath(placed + QStringLiteral("/libtdsodbc.so"));
            QFile library(expected);
            QVERIFY(library.open(QIODevice::WriteOnly));
        }
        QCOMPARE(OdbcDriverCatalog::findFreeTdsLibrary(root.path()), expected);
        // And this machine's own driver, the one the tests connect through.
        QVERIFY(QFileInfo(OdbcDriverCatalog::findFreeTdsLibrary()).isFile());
    }

    void connectionStringPerDriver_data() {
        QTest::addColumn<QString>("serverName");
        QTest::addColumn<QString>("logPass");
        QTest::addColumn<QString>("dbParm");
        QTest::addColumn<bool>("freeTds");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* tag, const QString& serverName, const QString& logPass,
                            const QString& dbParm, bool freeTds, const QString& expected) {
            QTest::newRow(tag) << serverName << logPass << dbParm << freeTds << expected;
        };
        row("FreeTDS, host,port", "db1 , 1433", "pw", "", true,
            "Driver=D;Server=db1;Port=1433;Database=hotel;UID=sa;PWD=pw;TDS_Version=7.1;"
            "ClientCharset=UTF-8;");
        row("FreeTDS, instance, own TDS version", "db1\\SQL2000", "pw",
            "TDS_Version='auto',LoginTimeout='3'", true,
            "Driver=D;Server=db1\\SQL2000;Database=hotel;UID=sa;PWD=pw;TDS_Version=auto;"
            "ClientCharset=UTF-8;");
        // The tool's own limits never reach the driver.
        row("Microsoft, host,port as written, pairs passed", "db1,1433", "pw",
            "Encrypt='yes', QueryTimeout='2', TrustServerCertificate='no', RestoreTimeout='86400'",
            false,
            "Driver=D;Server=db1,1433;Database=hotel;UID=sa;PWD=pw;Encrypt=yes;"
            "TrustServerCertificate=no;");
        row("password braced, ODBC rule", "db1", "a;b}c= ", "", false,
            "Driver=D;Server=db1;Database=hotel;UID=sa;PWD={a;b}}c= };");
        // FreeTDS ends a braced value at the first "};" and keeps a lone '}' as it is; a bare
        // host gets SQL Server's port.
        row("password braced, FreeTDS rule", "db1", "a;b}c}", "ClientCharset='UTF-8'", true,
            "Driver=D;Server=db1;Port=1433;Database=hotel;UID=sa;PWD={a;b}c}};"
            "ClientCharset=UTF-8;TDS_Version=7.1;");
        row("DBParm value braced, doubled quote kept once", "db1", "pw", "App='it''s;x'", false,
            "Driver=D;Server=db1;Database=hotel;UID=sa;PWD=pw;App={it's;x};");
    }
    void connectionStringPerDriver() {
        QFETCH(QString, serverName);
        QFETCH(QString, logPass);
        QFETCH(QString, dbParm);
        QFETCH(bool, freeTds);
        QFETCH(QString, expected);
        ConnectionSettings settings;
        const ConnectionSettings::Result read = settings.read({.DBMS = kMss,
                                                               .Database = "hotel",
                                                               .LogId = "sa",
                                                               .LogPass = logPass,
                                                               .ServerName = serverName,
                                                               .Lock = "",
                                                               .DBParm = dbParm});
        QVERIFY2(read, qPrintable(read.error));
        QString built;
        const ConnectionSettings::Result made = settings.buildConnectionString("D", freeTds, built);
        QVERIFY2(made, qPrintable(made.error));
        QCOMPARE(built, expected);
    }

    void connectReportsTheServersAnswer_data() {
        QTest::addColumn<QString>("database");
        QTest::addColumn<QString>("logPass");
        QTest::addColumn<QString>("lock");
        QTest::addColumn<int>("code");
        QTest::addColumn<long>("dbCode");
        QTest::addColumn<QString>("text");
        const QString password = m_server.saPassword(), loginFailed = "Login failed for user 'sa'.";
        QTest::newRow("isolation level") << m_database << password << "rc" << 0 << 0L << "";
        QTest::newRow("wrong password") << m_database << "wrong"
                                        << "" << -1 << 18456L << loginFailed;
        // A password that tries to add attributes of its own must stay one password.
        QTest::newRow("password injecting attributes")
            << m_database << "x;PWD=" + password << "" << -1 << 18456L << loginFailed;
        // The server's reason leads: a mistyped database is not a wrong password.
        QTest::newRow("unknown database")
            << "nosuchdb" << password << "" << -1 << 4060L
            << "Cannot open database \"nosuchdb\" requested by the login. The login failed.";
    }
    void connectReportsTheServersAnswer() {
        QFETCH(QString, database);
        QFETCH(QString, logPass);
        QFETCH(QString, lock);
        QFETCH(int, code);
        QFETCH(long, dbCode);
        QFETCH(QString, text);
        Transaction t;
        configureSa(t, m_server, database);
        t.LogPass = logPass;
        t.Lock = lock;
        QCOMPARE(t.connect(), code);
        QCOMPARE(t.SQLDBCode, dbCode);
        QVERIFY2(text.isEmpty() ? t.SQLErrText.isEmpty() : t.SQLErrText.startsWith(text),
                 qPrintable(t.SQLErrText));
        QVERIFY(!t.SQLErrText.contains(u'[')); // no driver prefixes
        QCOMPARE(t.isConnected(), code == 0);
    }

    void connectFailsWhenNoServerAnswers_data() {
        QTest::addColumn<bool>("listening");
        QTest::addColumn<QString>("textPart");
        QTest::newRow("accepts TCP, never answers") << true << "did not answer within 2 seconds";
        QTest::newRow("nothing listening") << false << "Cannot connect to the server";
    }
    void connectFailsWhenNoServerAnswers() {
        QFETCH(bool, listening);
        QFETCH(QString, textPart);
        QTcpServer silent; // accepts the TCP connection, never answers the login
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        BlockingCall calls;
        Transaction t(&calls);
        t.DBMS = kMss;
        t.ServerName = QStringLiteral("127.0.0.1,%1").arg(silent.serverPort());
        t.LogId = QStringLiteral("sa");
        t.DBParm = QStringLiteral("LoginTimeout='2'");
        if (!listening)
            silent.close();
        // The wait keeps the event loop running, and a second call meanwhile is refused; so is
        // a change of the commit mode, which the connect reads on the worker.
        bool waiting = false;
        QString refusal;
        bool autoCommitDuring = true;
        int nested = 0;
        QTimer timer;
        timer.setSingleShot(true);
        connect(&timer, &QTimer::timeout, this, [&] {
            waiting = calls.isWaiting();
            t.AutoCommit = true;
            refusal = t.SQLErrText;
            autoCommitDuring = t.AutoCommit;
            nested = t.executeImmediate(QStringLiteral("select 1"));
        });
        timer.start(100);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(t.connect(), -1);
        QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
        if (listening) {      // the refused connect is over before the first tick
            QVERIFY(waiting); // the long call went through the BlockingCall it was given
            QCOMPARE(refusal,
                     QStringLiteral("Another database call of this transaction is still running."));
            QVERIFY(!autoCommitDuring);
            QCOMPARE(nested, -1);
        }
        QVERIFY(!t.AutoCommit);
        QVERIFY(!calls.isWaiting());
        QCOMPARE(t.SQLDBCode, 0L);
        QVERIFY2(t.SQLErrText.contains(textPart), qPrintable(t.SQLErrText));
        QVERIFY2(t.SQLErrText.contains(t.ServerName), qPrintable(t.SQLErrText));
        QVERIFY(!t.isConnected());
    }

    // A statement that waits for another connection's lock waits off the UI thread: timers
    // (painting, the popup's animation) keep running, and the statement ends once the lock goes.
    void statementWaitingForALockKeepsTheEventLoopRunning() {
        resetRow(60, QStringLiteral("before"));
        Transaction holder;
        QCOMPARE(open(holder, false), 0);
        QCOMPARE(setValue(holder, 60, QStringLiteral("held")), 0);
        BlockingCall calls;
        Transaction t(&calls);
        QCOMPARE(open(t, false), 0);
        int ticks = 0;
        bool waitingAtTick = false;
        QTimer timer;
        connect(&timer, &QTimer::timeout, this, [&] {
            if (++ticks == 3) {
                waitingAtTick = calls.isWaiting();
                holder.rollback();
            }
        });
        timer.start(50);
        QCOMPARE(setValue(t, 60, QStringLiteral("after")), 0);
        timer.stop();
        QVERIFY(ticks >= 3);
        QVERIFY(waitingAtTick);
        QCOMPARE(t.commit(), 0);
        QCOMPARE(seenByOthers(60), QStringLiteral("after"));
    }

    // Closing, by a disconnect or by connecting again, keeps the pending work.
    void closingKeepsPendingWork() {
        resetRow(1, QStringLiteral("old"));
        resetRow(4, QStringLiteral("start"));
        Transaction t;
        QCOMPARE(open(t, false), 0);
        QCOMPARE(setValue(t, 4, QStringLiteral("kept")), 0);
        QCOMPARE(t.disconnect(), 0);
        QVERIFY(!t.isConnected());
        QCOMPARE(seenByOthers(4), QStringLiteral("kept"));

        QCOMPARE(t.connect(), 0);
        QCOMPARE(setValue(t, 1, QStringLiteral("pending")), 0);
        configureSa(t, m_server, QStringLiteral("master"));
        QCOMPARE(t.connect(), 0);
        // Now on master, where the table does not exist.
        QList<QVariant> out;
        QCOMPARE(t.selectRow(QStringLiteral("select v from t_sqlca where k = ?"), {1}, out), -1);
        QCOMPARE(t.SQLDBCode, 208L);
        QCOMPARE(seenByOthers(1), QStringLiteral("pending"));
    }

    void operationsNeedAConnection() {
        Transaction t;
        QList<QVariant> out{42};
        const QList<std::function<int()>> operations{
            [&] { return t.commit(); }, [&] { return t.rollback(); },
            [&] { return t.disconnect(); },
            [&] { return t.executeImmediate(QStringLiteral("select 1")); },
            [&] { return t.selectRow(QStringLiteral("select 1"), {}, out); }};
        for (int i = 0; i < operations.size(); ++i) {
            t.SQLCode = 0;
            t.SQLErrText.clear();
            QVERIFY2(operations[i]() == -1 && t.SQLCode == -1 && !t.SQLErrText.isEmpty(),
                     qPrintable(QStringLiteral("operation %1").arg(i)));
        }
        QCOMPARE(out, QList<QVariant>{42});
        QVERIFY(!t.AutoCommit);
    }

    // SQLDBCode is a server error number or 0; when the server explains a failed login,
    // its reason leads, in whatever order the driver hands the records back.
    void diagnosticsBecomeTheStatus_data() {
        using Record = OdbcDiagnostics::Record;
        QTest::addColumn<QList<Record>>("records");
        QTest::addColumn<long>("dbCode");
        QTest::addColumn<QString>("text");
        const QString cannotOpenText =
            "Cannot open database \"x\" requested by the login. The login failed.";
        const QString loginFailedText = "Login failed for user 'sa'.";
        const auto freeTds = [](const char* state, long native, const QString& text) {
            return Record{state, native, "[FreeTDS][SQL Server]" + text};
        };
        const Record cannotOpen = freeTds("42000", 4060, cannotOpenText);
        const Record loginFailed = freeTds("28000", 18456, loginFailedText);
        const Record changedDb = freeTds("01000", 5701, "Changed database context to 'master'.");
        const Record freeTdsEof = freeTds("01000", 20017, "Unexpected EOF from the server");
        const Record freeTdsWrite = freeTds("HY000", 20006, "Write to the server failed");
        const Record freeTdsLogin = freeTds("08001", 20002, "Unable to connect to data source");
        const Record microsoftOwn{
            "08S01", 0,
            "[Microsoft][ODBC Driver 18 for SQL Server]TCP Provider: Error code 0x2746"};
        const Record invalidObject{
            "42S02", 208,
            "[Microsoft][ODBC Driver 18 for SQL Server][SQL Server]Invalid object name 'x'."};
        const QString reasonFirst = cannotOpenText + "\n" + loginFailedText;
        QTest::newRow("login failure after the reason")
            << QList<Record>{cannotOpen, loginFailed, freeTdsLogin} << 4060L << reasonFirst;
        QTest::newRow("login failure before the reason")
            << QList<Record>{loginFailed, freeTdsLogin, cannotOpen} << 4060L << reasonFirst;
        QTest::newRow("login failure alone")
            << QList<Record>{changedDb, loginFailed, freeTdsLogin} << 18456L
            << "Changed database context to 'master'.\n" + loginFailedText;
        QTest::newRow("FreeTDS lost the link")
            << QList<Record>{freeTdsEof, freeTdsWrite} << 0L
            << "Unexpected EOF from the server\nWrite to the server failed";
        QTest::newRow("FreeTDS own number beside a server error")
            << QList<Record>{freeTdsEof, invalidObject} << 208L << "Invalid object name 'x'.";
        QTest::newRow("Microsoft's own message")
            << QList<Record>{microsoftOwn} << 0L << "TCP Provider: Error code 0x2746";
    }
    void diagnosticsBecomeTheStatus() {
        using Record = OdbcDiagnostics::Record;
        QFETCH(QList<Record>, records);
        QFETCH(long, dbCode);
        QFETCH(QString, text);
        OdbcDiagnostics diagnostics;
        for (const Record& r : records)
            diagnostics.add(r);
        const SqlStatus status = diagnostics.errorStatus(QStringLiteral("fallback"));
        QCOMPARE(status.code, -1L);
        QCOMPARE(status.dbCode, dbCode);
        QCOMPARE(status.text, text);
    }

    // The stand-in drops the link under an open connection: the driver's own report, no
    // server number.
    void lostLinkHasNoServerNumber() {
        REQUIRE_STANDIN(m_server, "a server of its own to stop");
        TestServer server(kPassword);
        QVERIFY2(server.start(), qPrintable(server.errorText()));
        Transaction t;
        configureSa(t, server, QStringLiteral("master"));
        t.AutoCommit = true;
        QCOMPARE(t.connect(), 0);
        server.stop();
        QList<QVariant> out;
        QCOMPARE(t.selectRow(QStringLiteral("select 1"), {}, out), -1);
        QCOMPARE(t.SQLDBCode, 0L);
        QVERIFY(!t.SQLErrText.isEmpty());
    }

    // ---- commit mode ----

    void manualCommitShowsWorkOnlyAfterCommit_data() {
        QTest::addColumn<bool>("commit");
        QTest::newRow("commit") << true;
        QTest::newRow("rollback") << false;
    }
    void manualCommitShowsWorkOnlyAfterCommit() {
        QFETCH(bool, commit);
        resetRow(2, QStringLiteral("before"));
        Transaction t;
        QCOMPARE(open(t, false), 0);
        QCOMPARE(setValue(t, 2, QStringLiteral("after")), 0);
        QVERIFY(seenByOthers(2) != QStringLiteral("after"));
        QCOMPARE(commit ? t.commit() : t.rollback(), 0);
        QCOMPARE(seenByOthers(2), commit ? QStringLiteral("after") : QStringLiteral("before"));
        // A new transaction is open at once: later work is held back again.
        QCOMPARE(setValue(t, 2, QStringLiteral("again")), 0);
        QVERIFY(seenByOthers(2) != QStringLiteral("again"));
        QCOMPARE(t.rollback(), 0);
    }

    void switchingAutoCommitOnKeepsEarlierWork() {
        resetRow(3, QStringLiteral("start"));
        Transaction t;
        QCOMPARE(open(t, false), 0);
        QCOMPARE(setValue(t, 3, QStringLiteral("first")), 0);
        t.AutoCommit = true;
        QCOMPARE(t.SQLCode, 0L);
        QCOMPARE(seenByOthers(3), QStringLiteral("first"));
        QCOMPARE(setValue(t, 3, QStringLiteral("second")), 0);
        QCOMPARE(seenByOthers(3), QStringLiteral("second"));
        // With nothing to end, commit and rollback refuse and change nothing.
        QCOMPARE(t.rollback(), -1);
        QCOMPARE(t.commit(), -1);
        QCOMPARE(seenByOthers(3), QStringLiteral("second"));
        // And back off: later work waits for a commit again.
        t.AutoCommit = false;
        QCOMPARE(t.SQLCode, 0L);
        QCOMPARE(setValue(t, 3, QStringLiteral("third")), 0);
        QVERIFY(seenByOthers(3) != QStringLiteral("third"));
        QCOMPARE(t.rollback(), 0);
        QCOMPARE(seenByOthers(3), QStringLiteral("second"));
    }

    // ---- embedded SQL ----

    void textLongerThanAnNVarCharIsStoredWhole() {
        Transaction t;
        QCOMPARE(openWithoutRow(t, 12), 0);
        const QString text = QString(3000, u'甲') + QString(1500, u'x');
        QVERIFY2(insert(t, 12, "m", text) == 0, qPrintable(t.SQLErrText));
        // Read in pieces: the stand-in returns at most 4000 characters per value.
        QList<QVariant> out;
        QCOMPARE(t.selectRow(QStringLiteral("select substring ( m , 2996 , 10 ) , substring ( m "
                                            ", 4491 , 20 ) from t_sqlca where k = ?"),
                             {12}, out),
                 0);
        QCOMPARE(out.value(0).toString(), QString(5, u'甲') + QString(5, u'x'));
        QCOMPARE(out.value(1).toString(), QString(10, u'x'));
    }

    // Texts arrive as typed, whatever would break a pasted statement; every kind of null
    // arrives as NULL, which the data views find again with "is null".
    void inputsArriveAsGiven_data() {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("isNull");
        const auto text = [](const char* tag, const QString& value) {
            QTest::newRow(tag) << "v" << QVariant(value) << false;
        };
        text("quotes", "O'Brien's \"inn\"");
        text("bracket and marker", "a]b [c] ? @P1 --");
        text("chinese", QStringLiteral("维尔特酒店前台，三楼"));
        text("blanks kept", "  padded  ");
        text("empty is not null", QStringLiteral(""));
        QTest::newRow("plain null variant") << "v" << QVariant() << true;
        QTest::newRow("typed null text") << "v" << QVariant(QMetaType::fromType<QString>()) << true;
        QTest::newRow("null QString") << "v" << QVariant(QString()) << true;
        QTest::newRow("typed null datetime")
            << "d" << QVariant(QMetaType::fromType<QDateTime>()) << true;
        QTest::newRow("null QDateTime") << "d" << QVariant(QDateTime()) << true;
        QTest::newRow("invalid QDateTime")
            << "d" << QVariant(QDateTime(QDate(2021, 2, 30), QTime(10, 0))) << true;
        QTest::newRow("null QDate") << "d" << QVariant(QDate()) << true;
        QTest::newRow("typed null int") << "n" << QVariant(QMetaType::fromType<int>()) << true;
    }
    void inputsArriveAsGiven() {
        QFETCH(QString, column);
        QFETCH(QVariant, value);
        QFETCH(bool, isNull);
        Transaction t;
        QCOMPARE(openWithoutRow(t, 13), 0);
        QVERIFY2(insert(t, 13, column, value) == 0,
                 qPrintable(QStringLiteral("%1 (%2)").arg(t.SQLErrText).arg(t.SQLDBCode)));
        QList<QVariant> out;
        QCOMPARE(t.selectRow(
                     QStringLiteral("select k from t_sqlca where k = ? and %1 is null").arg(column),
                     {13}, out),
                 isNull ? 0 : 100);
        // The same value bound in a comparison finds the row; a null matches nothing, as on the
        // server.
        QCOMPARE(t.selectRow(QStringLiteral("select k from t_sqlca where %1 = ?").arg(column),
                             {value}, out),
                 isNull ? 100 : 0);
        QCOMPARE(t.selectRow(QStringLiteral("select %1 from t_sqlca where k = ?").arg(column), {13},
                             out),
                 0);
        if (isNull) {
            QVERIFY(out.value(0).isNull());
        } else {
            QCOMPARE(out.value(0).toString(), value.toString());
            QVERIFY(!out.value(0).toString().isNull());
        }
    }

    // The server's datetime has no zone: a wall-clock value that does not exist here (this
    // test runs in Europe/Berlin, where 2021-03-28 02:30 falls into the spring gap) is read
    // and written unchanged.
    void datetimesAreTheServersWallClock_data() {
        QTest::addColumn<QDateTime>("sent");
        const QDate gapDay(2021, 3, 28);
        QTest::newRow("in the gap, UTC") << QDateTime(gapDay, QTime(2, 30), Qt::UTC);
        QTest::newRow("in the gap, offset")
            << QDateTime(gapDay, QTime(2, 30), Qt::OffsetFromUTC, 8 * 3600);
        QTest::newRow("autumn twice, UTC") << QDateTime(QDate(2021, 10, 31), QTime(2, 30), Qt::UTC);
        QTest::newRow("local, no transition")
            << QDateTime(QDate(2025, 3, 14), QTime(15, 9, 26, 500), Qt::LocalTime);
    }
    void datetimesAreTheServersWallClock() {
        QFETCH(QDateTime, sent);
        Transaction t;
        QCOMPARE(openWithoutRow(t, 14), 0);
        QCOMPARE(insert(t, 14, "d", sent), 0);
        // The fields as given reached the server, whatever the value's own zone.
        const QString literal = sent.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
        QList<QVariant> out;
        QCOMPARE(t.selectRow(QStringLiteral("select count(*) from t_sqlca where k = ? and d = "
                                            "'%1'")
                                 .arg(literal),
                             {14}, out),
                 0);
        QCOMPARE(out.value(0).toInt(), 1);
        QCOMPARE(t.selectRow(QStringLiteral("select d from t_sqlca where k = ?"), {14}, out), 0);
        const QDateTime read = out.value(0).toDateTime();
        QCOMPARE(read.timeSpec(), Qt::UTC);
        QCOMPARE(read.date(), sent.date());
        QCOMPARE(read.time(), sent.time());
    }

    void selectsReportRowsAndNoRow() {
        Transaction t;
        QCOMPARE(open(t, true), 0);
        t.execute(QStringLiteral("delete from t_sqlca where k >= ?"), {20});
        for (int k = 20; k < 23; ++k)
            QCOMPARE(insert(t, k, "v", QStringLiteral("row %1").arg(k)), 0);
        QList<QList<QVariant>> rows;
        QCOMPARE(t.selectRows(QStringLiteral("select k , v from t_sqlca where k >= ? order by k"),
                              {20}, rows),
                 0);
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows.at(2).at(0).toInt(), 22);
        QCOMPARE(rows.at(2).at(1).toString(), QStringLiteral("row 22"));

        // No row: 100, and the outputs keep what they held.
        QList<QVariant> out{QStringLiteral("kept")};
        QCOMPARE(t.selectRow(QStringLiteral("select v from t_sqlca where k = ?"), {999}, out), 100);
        QCOMPARE(out, QList<QVariant>{QStringLiteral("kept")});
        QCOMPARE(t.execute(QStringLiteral("update t_sqlca set v = ? where k = ?"), {"x", 999}),
                 100);
    }

    void statementErrorsCarryTheServersMessages_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<long>("dbCode");
        QTest::addColumn<QString>("text");
        QTest::newRow("unknown table")
            << "select x from no_such_table" << 208L << "Invalid object name 'no_such_table'.";
        QTest::newRow("duplicate key, two messages")
            << "insert into t_sqlca ( k , v ) values ( 1 , 'dup' )" << 2627L
            << "Violation of PRIMARY KEY constraint";
    }
    void statementErrorsCarryTheServersMessages() {
        QFETCH(QString, sql);
        QFETCH(long, dbCode);
        QFETCH(QString, text);
        resetRow(1, QStringLiteral("one"));
        Transaction t;
        QCOMPARE(open(t, false), 0);
        QCOMPARE(t.executeImmediate(sql), -1);
        QCOMPARE(t.SQLDBCode, dbCode);
        QVERIFY2(t.SQLErrText.startsWith(text), qPrintable(t.SQLErrText));
        QVERIFY(!t.SQLErrText.contains(u'['));
        if (dbCode == 2627)
            QVERIFY2(t.SQLErrText.endsWith(u"\nThe statement has been terminated."),
                     qPrintable(t.SQLErrText));
        // The connection stays usable and the next success clears the status.
        QList<QVariant> out;
        QCOMPARE(t.selectRow(QStringLiteral("select v from t_sqlca where k = ?"), {1}, out), 0);
        QCOMPARE(t.SQLDBCode, 0L);
        QVERIFY(t.SQLErrText.isEmpty());
    }
};

// Runs in a zone with daylight-saving gaps, so no datetime may pass through local time.
int main(int argc, char** argv) {
    qputenv("TZ", "Europe/Berlin");
    tzset();
    QCoreApplication app(argc, argv);
    TestTransaction test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_transaction.moc"
