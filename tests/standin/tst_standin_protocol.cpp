// The protocol layer as real clients see it: FreeTDS ODBC, tsql and python3-tds, against the
// server under test. The cases about the stand-in's own features (its command line, signals,
// statement log, malformed input) skip against an outside server.
#include "tests/standin/tst_standin_protocol_raw.h"
#include "tests/support/OdbcSession.h"
#include "tests/support/TestDatabases.h"
#include "tests/support/TestServer.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sql.h>
#include <sqlext.h>

#include <atomic>
#include <csignal>
#include <thread>

namespace {

// Binds one input parameter described by its ODBC SQL type and the value as text.
struct BoundParam {
    SQLSMALLINT sqlType = SQL_WVARCHAR;
    QByteArray text;
    bool null = false;
    SQLINTEGER integer = 0;
    SQL_TIMESTAMP_STRUCT timestamp{};
    SQLLEN indicator = 0;

    SQLRETURN bind(SQLHSTMT stmt, SQLUSMALLINT number) {
        indicator = null ? SQL_NULL_DATA : 0;
        switch (sqlType) {
        case SQL_INTEGER:
            integer = text.toInt();
            return SQLBindParameter(stmt, number, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0,
                                    &integer, 0, &indicator);
        case SQL_TYPE_TIMESTAMP: {
            const QDateTime t =
                QDateTime::fromString(QString::fromUtf8(text), "yyyy-MM-dd HH:mm:ss.zzz");
            timestamp = {static_cast<SQLSMALLINT>(t.date().year()),
                         static_cast<SQLUSMALLINT>(t.date().month()),
                         static_cast<SQLUSMALLINT>(t.date().day()),
                         static_cast<SQLUSMALLINT>(t.time().hour()),
                         static_cast<SQLUSMALLINT>(t.time().minute()),
                         static_cast<SQLUSMALLINT>(t.time().second()),
                         static_cast<SQLUINTEGER>(t.time().msec()) * 1000000u};
            return SQLBindParameter(stmt, number, SQL_PARAM_INPUT, SQL_C_TYPE_TIMESTAMP,
                                    SQL_TYPE_TIMESTAMP, 23, 3, &timestamp, 0, &indicator);
        }
        default:
            if (!null)
                indicator = text.size();
            return SQLBindParameter(stmt, number, SQL_PARAM_INPUT, SQL_C_CHAR, sqlType, 50, 0,
                                    text.data(), text.size(), &indicator);
        }
    }
};

QString runTool(const QString& program, const QStringList& args, const QByteArray& input = {}) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    p.waitForStarted(5000);
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(60000))
        p.kill();
    return QString::fromUtf8(p.readAll());
}

QString runTsql(const TestServer& s, const QString& password, const QByteArray& input,
                const QString& database = {}) {
    QStringList args = s.port() > 0 ? QStringList{"-H", s.host(), "-p", QString::number(s.port())}
                                    : QStringList{"-S", s.serverName()};
    args += QStringList{"-U", "sa", "-P", password};
    if (!database.isEmpty())
        args << "-D" << database;
    return runTool("tsql", args, input);
}

// A Python string literal.
QString python(const QString& text) {
    return u'\'' +
           QString(text)
               .replace(u'\\', QStringLiteral("\\\\"))
               .replace(u'\'', QStringLiteral("\\'")) +
           u'\'';
}

// python3-tds lives in Debian's interpreter, not in whatever python3 comes first on PATH. The
// script's connect(password, database) logs in as sa; PASSWORD is the server's sa password.
QString runPytds(const TestServer& s, const QString& database, const QString& body) {
    const QString where = s.port() > 0 ? QString("%1, port=%2").arg(python(s.host())).arg(s.port())
                                       : QString("dsn=%1").arg(python(s.serverName()));
    const QString script = QString("import pytds, datetime, sys\n"
                                   "PASSWORD = %1\n"
                                   "def connect(password, database=%2):\n"
                                   "    return pytds.connect(%3, user='sa', password=password,"
                                   " database=database, autocommit=True)\n")
                               .arg(python(s.saPassword()), python(database), where) +
                           body;
    return runTool("/usr/bin/python3", {"-c", script});
}

// The sa password of the stand-in this test starts; an outside server has its own.
const char* const Password = "Pw-1234";

// Starts a stand-in of the case's own on root with `args` (its --listen and more); the port of
// its first "ready 127.0.0.1:" line, 0 when it reports none.
int startStandin(QProcess& p, const QString& root, const QStringList& args) {
    p.start(QStringLiteral(STANDIN_BIN),
            QStringList{"--root", root, "--sa-password", Password} + args);
    if (!p.waitForReadyRead(15000))
        return 0;
    const QByteArray line = p.readLine().trimmed();
    return line.startsWith("ready 127.0.0.1:") ? line.mid(16).toInt() : 0;
}

// To master on a stand-in of the case's own.
QString standinConnection(const QString& host, int port) {
    return QString("Driver=FreeTDS;Server=%1;Port=%2;Database=master;UID=sa;PWD=%3;"
                   "TDS_Version=7.1;ClientCharset=UTF-8")
        .arg(host)
        .arg(port)
        .arg(Password);
}

// Ends a stand-in of the case's own as its service would be stopped: it exits cleanly.
void stopStandin(QProcess& p) {
    p.terminate();
    QVERIFY(p.waitForFinished(15000));
    QCOMPARE(p.exitCode(), 0);
}

// Frees a statement handle however the test leaves its scope.
struct StatementGuard {
    SQLHSTMT& stmt;
    ~StatementGuard() {
        if (stmt != SQL_NULL_HSTMT)
            SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    }
};

} // namespace

class TestStandinProtocol : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void cleanupTestCase();

    void loginFailure_data();
    void loginFailure();
    void selectTypes_data();
    void selectTypes();
    void parameterRoundTrip_data();
    void parameterRoundTrip();
    void prepareDescribesBeforeExecute();
    void largeRequestAndReply();
    void attentionAfterUnreadResults();
    void manyClientsAtOnce();
    void malformedInput_data();
    void malformedInput();
    void useSendsDatabaseChange();
    void stopSignalRollsBackOpenTransaction_data();
    void stopSignalRollsBackOpenTransaction();
    void invalidDateTimeParameter_data();
    void invalidDateTimeParameter();
    void statementLog();
    void severalListenAddresses();
    void listenRefused_data();
    void listenRefused();

  private:
    QString connection() const { return m_server.odbcConnectionString(m_database); }

    TestServer m_server{Password};
    TestDatabases m_shared{m_server}; // the class's database with the tables below
    QString m_database;
    OdbcSession m_odbc; // to m_database, NULL read as "NULL"
};

void TestStandinProtocol::initTestCase() {
    QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
    m_database = TestDatabases::uniqueName("protocol");
    QString error = m_shared.createEmpty(
        m_database,
        "create table t_types (i int, n nvarchar(20), v varchar(20), d datetime) "
        "insert into t_types values (42, N'Zoë 中文', '酒店', '2025-03-14 15:09:26.530') "
        "insert into t_types values (NULL, NULL, NULL, NULL) "
        "create table t_params (k int, n nvarchar(50), v varchar(50), c char(10), i int, "
        "d datetime) "
        "create table t_big (k int, name nvarchar(100)) "
        "create table t_clients (client int, step int) "
        "create table t_dates (k int, d datetime)");
    QVERIFY2(error.isEmpty(), qPrintable(error));
    m_odbc.setNullText("NULL");
    QVERIFY2(m_odbc.connect(connection()), qPrintable(m_odbc.connectError()));
    QString rows; // the batch itself spans several request packets
    for (int k = 0; k < 300; ++k)
        rows += QString("insert into t_big values (%1, N'row %1 %2');\n")
                    .arg(k)
                    .arg(QString(20, QChar('x')));
    const SqlOutcome filled = m_odbc.exec(rows);
    QVERIFY2(filled.ok(), qPrintable(filled.report()));
}

void TestStandinProtocol::cleanupTestCase() {
    m_odbc.disconnect();
    const QString left = m_shared.dropAll();
    QVERIFY2(left.isEmpty(), qPrintable(left));
}

void TestStandinProtocol::loginFailure_data() {
    QTest::addColumn<QString>("client");
    QTest::addColumn<QString>("password"); // empty: the server's
    QTest::addColumn<QString>("database");
    QTest::addColumn<QStringList>("expected");

    const QString loginFailed = "Login failed for user 'sa'.";
    const QString noDatabase =
        "Cannot open database \"nosuchdb\" requested by the login. The login failed.";
    const auto row = [](const char* tag, const QString& client, const QString& password,
                        const QString& database, const QStringList& expected) {
        QTest::newRow(tag) << client << password << database << expected;
    };
    const QString odbc = "42000|18456|[FreeTDS][SQL Server]" + loginFailed;
    row("odbc wrong password", "odbc", "wrong", "master", {odbc});
    row("odbc unknown database", "odbc", QString(), "nosuchdb",
        {odbc, "42000|4060|[FreeTDS][SQL Server]" + noDatabase});
    row("tsql wrong password", "tsql", "wrong", "",
        {"Msg 18456 (severity 14, state 1)", loginFailed});
    row("pytds wrong password", "pytds", "wrong", "master",
        {"OperationalError 18456 " + loginFailed});
    row("pytds unknown database", "pytds", QString(), "nosuchdb",
        {"OperationalError 18456 " + noDatabase});
}

void TestStandinProtocol::loginFailure() {
    QFETCH(QString, client);
    QFETCH(QString, password);
    QFETCH(QString, database);
    QFETCH(QStringList, expected);

    if (password.isEmpty())
        password = m_server.saPassword();
    QString seen;
    if (client == "odbc") {
        OdbcSession odbc;
        // As the server's connection string braces it for FreeTDS: "}" inside stays single.
        const auto braced = [](const QString& v) { return "PWD={" + v + "};"; };
        QString cs = m_server.odbcConnectionString(database);
        cs.replace(braced(m_server.saPassword()), braced(password));
        QVERIFY(!odbc.connect(cs));
        const SqlOutcome& why = odbc.connectFailure();
        for (int i = 0; i < why.numbers.size(); ++i)
            seen += QString("%1|%2|%3\n").arg(why.states[i]).arg(why.numbers[i]).arg(why.texts[i]);
    } else if (client == "tsql") {
        seen = runTsql(m_server, password, "select 1\ngo\nexit\n", database);
    } else {
        seen = runPytds(m_server, database,
                        QString("try:\n    connect(%1)\n    print('connected')\n"
                                "except pytds.Error as e:\n"
                                "    print(type(e).__name__, e.msg_no, e)\n")
                            .arg(python(password)));
    }
    for (const QString& e : expected)
        QVERIFY2(seen.contains(e), qPrintable(seen));
    QVERIFY2(!seen.contains("connected\n") && !seen.contains("20017"), qPrintable(seen));
}

void TestStandinProtocol::selectTypes_data() {
    QTest::addColumn<QString>("client");
    QTest::addColumn<QString>("expected");
    QTest::newRow("odbc") << "odbc"
                          << "42|Zoë 中文|酒店|2025-03-14 15:09:26.530\nNULL|NULL|NULL|NULL\n";
    QTest::newRow("tsql") << "tsql"
                          << "42\tZoë 中文\t酒店\tMar 14 2025 03:09PM\nNULL\tNULL\tNULL\tNULL\n";
    QTest::newRow("pytds")
        << "pytds"
        << "[(42, 'Zoë 中文', '酒店', datetime.datetime(2025, 3, 14, 15, 9, 26, 530000)), "
           "(None, None, None, None)]\n[(1,)]\n[(0,)]\nProgrammingError 208\n";
}

void TestStandinProtocol::selectTypes() {
    QFETCH(QString, client);
    QFETCH(QString, expected);
    const QString sql = "select i, n, v, d from t_types order by i desc";
    if (client == "odbc") {
        QString seen;
        for (const QStringList& r : m_odbc.exec(sql).rows)
            seen += r.join('|') + '\n';
        QCOMPARE(seen, expected);
    } else if (client == "tsql") {
        const QString out =
            runTsql(m_server, m_server.saPassword(), (sql + "\ngo\nexit\n").toUtf8(), m_database);
        QVERIFY2(out.contains(expected) && out.contains("(2 rows affected)"), qPrintable(out));
    } else {
        // pytds also sends the values of the row back as parameters, and a failure.
        const QString out = runPytds(
            m_server, m_database,
            "conn = connect(PASSWORD)\nc = conn.cursor()\nc.execute('" + sql +
                "')\nprint(c.fetchall())\n"
                "c.execute('select count(1) from t_types where n = %s and i = %s and d = %s',"
                " ('Zoë 中文', 42, datetime.datetime(2025, 3, 14, 15, 9, 26, 530000)))\n"
                "print(c.fetchall())\n"
                "c.execute('select count(1) from t_types where i = %s', (None,))\n"
                "print(c.fetchall())\n"
                "try:\n    c.execute('select 1 from no_such_table')\n"
                "except pytds.Error as e:\n    print(type(e).__name__, e.msg_no)\n");
        QCOMPARE(out, expected);
    }
}

void TestStandinProtocol::parameterRoundTrip_data() {
    QTest::addColumn<QString>("column");
    QTest::addColumn<int>("sqlType");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("null");
    QTest::addColumn<bool>("prepared");

    struct Case {
        const char* name;
        const char* column;
        int sqlType;
        const char* value;
        bool null;
    };
    const Case cases[] = {
        {"nvarchar", "n", SQL_WVARCHAR, "Zoë 中文客房", false},
        // Travels as CP936 bytes: only the code page from our collation brings it back intact.
        {"varchar chinese", "v", SQL_VARCHAR, "前台 it's", false},
        {"char", "c", SQL_CHAR, "it's", false},
        {"int", "i", SQL_INTEGER, "-2147483647", false},
        {"datetime", "d", SQL_TYPE_TIMESTAMP, "1899-12-31 23:59:59.997", false},
        {"null nvarchar", "n", SQL_WVARCHAR, "NULL", true},
        {"null int", "i", SQL_INTEGER, "NULL", true},
        {"null datetime", "d", SQL_TYPE_TIMESTAMP, "NULL", true},
    };
    for (const Case& c : cases) {
        for (const bool prepared : {false, true})
            QTest::addRow("%s %s", c.name, prepared ? "prepared" : "direct")
                << c.column << c.sqlType << QString::fromUtf8(c.value) << c.null << prepared;
    }
}

// Direct execution goes through sp_executesql; SQLPrepare + SQLExecute twice goes through
// sp_prepexec and then sp_execute on the returned handle.
void TestStandinProtocol::parameterRoundTrip() {
    QFETCH(QString, column);
    QFETCH(int, sqlType);
    QFETCH(QString, value);
    QFETCH(bool, null);
    QFETCH(bool, prepared);

    QVERIFY(m_odbc.exec("delete from t_params").ok());
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    StatementGuard guard{stmt};
    SQLAllocHandle(SQL_HANDLE_STMT, m_odbc.handle(), &stmt);
    const QByteArray sql =
        QString("insert into t_params (k, %1) values (?, ?)").arg(column).toUtf8();
    BoundParam key{SQL_INTEGER, "1"};
    BoundParam param{static_cast<SQLSMALLINT>(sqlType), value.toUtf8(), null};
    QVERIFY(SQL_SUCCEEDED(param.bind(stmt, 2)));
    if (prepared)
        QVERIFY(SQL_SUCCEEDED(SQLPrepare(stmt, (SQLCHAR*)sql.constData(), SQL_NTS)));
    for (const int k : prepared ? QList<int>{1, 2} : QList<int>{1}) {
        key.text = QByteArray::number(k);
        QVERIFY(SQL_SUCCEEDED(key.bind(stmt, 1)));
        const SQLRETURN rc =
            prepared ? SQLExecute(stmt) : SQLExecDirect(stmt, (SQLCHAR*)sql.constData(), SQL_NTS);
        QVERIFY2(SQL_SUCCEEDED(rc),
                 qPrintable(OdbcSession::diagnostics(SQL_HANDLE_STMT, stmt).report()));
    }

    const SqlOutcome o = m_odbc.exec(QString("select %1 from t_params order by k").arg(column));
    QCOMPARE(o.rows.size(), prepared ? 2 : 1);
    for (const QStringList& row : o.rows)
        QCOMPARE(row.value(0).trimmed(), value);
}

void TestStandinProtocol::prepareDescribesBeforeExecute() {
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    StatementGuard guard{stmt};
    SQLAllocHandle(SQL_HANDLE_STMT, m_odbc.handle(), &stmt);
    const char* sql = "select i, n, d from t_types where i = ?";
    QVERIFY(SQL_SUCCEEDED(SQLPrepare(stmt, (SQLCHAR*)sql, SQL_NTS)));
    BoundParam param{SQL_INTEGER, "42"};
    QVERIFY(SQL_SUCCEEDED(param.bind(stmt, 1)));
    SQLSMALLINT columns = 0;
    QVERIFY(SQL_SUCCEEDED(SQLNumResultCols(stmt, &columns))); // sp_prepare
    QCOMPARE(columns, SQLSMALLINT(3));
    for (const char* value : {"42", "7"}) {
        param.text = value;
        QVERIFY(SQL_SUCCEEDED(param.bind(stmt, 1)));
        const SQLRETURN rc = SQLExecute(stmt); // sp_execute on the handle from sp_prepare
        QVERIFY2(SQL_SUCCEEDED(rc),
                 qPrintable(OdbcSession::diagnostics(SQL_HANDLE_STMT, stmt).report()));
        const QList<QStringList> rows = m_odbc.fetchAll(stmt);
        QCOMPARE(rows.size(), QByteArray(value) == "42" ? 1 : 0);
        SQLFreeStmt(stmt, SQL_CLOSE);
    }
    SQLFreeHandle(SQL_HANDLE_STMT, stmt); // sp_unprepare
    QVERIFY(m_odbc.exec("select 1").ok());
}

void TestStandinProtocol::largeRequestAndReply() {
    SqlOutcome o = m_odbc.exec("select k, name from t_big order by k");
    QCOMPARE(o.rows.size(), 300);
    QCOMPARE(o.rows.last(), (QStringList{"299", "row 299 " + QString(20, QChar('x'))}));

    QString list = "0";
    for (int k = 1; list.size() < 9000; ++k)
        list += QString(", %1").arg(k % 300);
    o = m_odbc.exec(QString("select count(1) from t_big where k in (%1)").arg(list));
    QCOMPARE(o.rows, (QList<QStringList>{{"300"}}));

    // A value beyond NVARCHAR's 8000 bytes comes back whole rather than cut.
    const QString literal(9000, QChar(0x9152));
    o = m_odbc.exec(QString("select N'%1'").arg(literal));
    QCOMPARE(o.rows.value(0).value(0), literal);
}

// FreeTDS cancels (ATTENTION) when a statement is freed with results still unread.
void TestStandinProtocol::attentionAfterUnreadResults() {
    for (const bool prepared : {false, true}) {
        SQLHSTMT stmt = SQL_NULL_HSTMT;
        SQLAllocHandle(SQL_HANDLE_STMT, m_odbc.handle(), &stmt);
        const char* sql = "select k, name from t_big order by k";
        if (prepared) {
            QVERIFY(SQL_SUCCEEDED(SQLPrepare(stmt, (SQLCHAR*)sql, SQL_NTS)));
            QVERIFY(SQL_SUCCEEDED(SQLExecute(stmt)));
        } else {
            QVERIFY(SQL_SUCCEEDED(SQLExecDirect(stmt, (SQLCHAR*)sql, SQL_NTS)));
        }
        QVERIFY(SQL_SUCCEEDED(SQLFetch(stmt)));
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        QCOMPARE(m_odbc.exec("select count(1) from t_big").rows, (QList<QStringList>{{"300"}}));
    }
    // An ATTENTION with nothing running is still acknowledged.
    if (m_server.port() == 0)
        QSKIP("the raw TDS client needs the server's port: give the server as host,port");
    RawClient raw;
    QVERIFY(raw.connectTo(m_server.host(), m_server.port()));
    QVERIFY(raw.login("sa", m_server.saPassword()));
    QVERIFY(raw.sendPacket(0x06, {}));
    const QByteArray reply = raw.readMessage();
    QVERIFY2(reply.size() == 9 && RawClient::endsWithAttentionAck(reply), reply.toHex().data());
}

void TestStandinProtocol::manyClientsAtOnce() {
    constexpr int Clients = 16;
    std::atomic<int> succeeded{0};
    std::vector<std::thread> threads;
    const QString cs = connection();
    for (int c = 0; c < Clients; ++c) {
        threads.emplace_back([&, c] {
            OdbcSession odbc;
            if (!odbc.connect(cs))
                return;
            for (int step = 0; step < 5; ++step) {
                if (!odbc.exec(QString("insert into t_clients values (%1, %2)").arg(c).arg(step))
                         .ok())
                    return;
            }
            const SqlOutcome o =
                odbc.exec(QString("select count(1) from t_clients where client = %1").arg(c));
            if (o.ok() && o.rows == QList<QStringList>{{"5"}})
                ++succeeded;
        });
    }
    for (std::thread& t : threads)
        t.join();
    QCOMPARE(succeeded.load(), Clients);
}

void TestStandinProtocol::malformedInput_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("loginFirst");
    QTest::addColumn<bool>("thenEof");

    auto beforeLogin = [](const char* name, const QByteArray& bytes, bool thenEof = false) {
        QTest::newRow(name) << bytes << false << thenEof;
    };
    auto afterLogin = [](const char* name, const QByteArray& bytes) {
        QTest::newRow(name) << bytes << true << false;
    };
    beforeLogin("http request", "GET / HTTP/1.1\r\nHost: x\r\n\r\n");
    beforeLogin("length below header", QByteArray::fromHex("1201000400000100"));
    beforeLogin("packet cut short", QByteArray::fromHex("12010100000001000000"), true);
    beforeLogin("prelogin without terminator",
                RawClient::packet(0x12, QByteArray::fromHex("0000ff0006")));
    beforeLogin("login7 too short", RawClient::packet(0x10, QByteArray(40, '\0')));
    beforeLogin("login7 string outside payload",
                RawClient::packet(0x10, RawClient::login7("sa", "x", 0x7000)));
    beforeLogin("batch before login", RawClient::packet(0x01, QByteArray("s\0e\0l\0")));
    afterLogin("odd-length batch", RawClient::packet(0x01, "sel"));
    // sp_executesql whose NTEXT claims 4096 bytes but carries 2.
    afterLogin("rpc text longer than packet",
               RawClient::packet(0x03, QByteArray::fromHex("ffff0a000000"
                                                           "0000"
                                                           "63"
                                                           "00100000"
                                                           "0408d00000"
                                                           "00100000"
                                                           "4100")));
    afterLogin("rpc unknown type", RawClient::packet(0x03, QByteArray::fromHex("ffff0a000000"
                                                                               "0000"
                                                                               "f100")));
    afterLogin("rpc name past end", RawClient::packet(0x03, QByteArray::fromHex("40007300")));
    afterLogin("unknown packet type", RawClient::packet(0x2a, "junk"));
}

// The offending connection is dropped; the server keeps serving everyone else.
void TestStandinProtocol::malformedInput() {
    REQUIRE_STANDIN(m_server, "its answer to malformed TDS, which SQL Server does not document");
    QFETCH(QByteArray, bytes);
    QFETCH(bool, loginFirst);
    QFETCH(bool, thenEof);

    RawClient raw;
    QVERIFY(raw.connectTo(m_server.host(), m_server.port()));
    if (loginFirst)
        QVERIFY(raw.login("sa", m_server.saPassword()));
    QVERIFY(raw.sendRaw(bytes));
    if (thenEof)
        raw.finishSending();
    QVERIFY(raw.closedByPeer());

    OdbcSession odbc;
    QVERIFY(odbc.connect(connection()));
    QCOMPARE(odbc.exec("select count(1) from t_types").rows, (QList<QStringList>{{"2"}}));
}

// FreeTDS tracks the current database only through ENVCHANGE; ODBC reports it back.
void TestStandinProtocol::useSendsDatabaseChange() {
    OdbcSession odbc;
    QVERIFY(odbc.connect(m_server.odbcConnectionString()));
    for (const QString& database : {m_database, QString("master")}) {
        odbc.exec(QString("use %1").arg(database));
        char name[128] = {};
        QVERIFY(SQL_SUCCEEDED(SQLGetConnectAttr(odbc.handle(), SQL_ATTR_CURRENT_CATALOG, name,
                                                sizeof name, nullptr)));
        QCOMPARE(QString::fromUtf8(name), database);
    }
}

void TestStandinProtocol::stopSignalRollsBackOpenTransaction_data() {
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
}

void TestStandinProtocol::stopSignalRollsBackOpenTransaction() {
    REQUIRE_STANDIN(m_server, "stand-ins of its own to stop by a signal and start again");
    QFETCH(int, signalNumber);
    QTemporaryDir root;
    const QStringList listen{"--listen", "127.0.0.1:0"};
    QProcess first;
    const int port = startStandin(first, root.path(), listen);
    QVERIFY(port > 0);
    {
        OdbcSession odbc;
        QVERIFY(odbc.connect(standinConnection("127.0.0.1", port)));
        QVERIFY(odbc.exec("create table t_kept (k int) insert into t_kept values (1)").ok());
        odbc.setAutocommit(false);
        QVERIFY(odbc.exec("insert into t_kept values (2)").ok());
        // Still connected, transaction open, when the server is told to stop.
        ::kill(static_cast<pid_t>(first.processId()), signalNumber);
        QVERIFY(first.waitForFinished(15000));
    }
    QCOMPARE(first.exitStatus(), QProcess::NormalExit);
    QCOMPARE(first.exitCode(), 0);

    QProcess second;
    const int secondPort = startStandin(second, root.path(), listen);
    QVERIFY(secondPort > 0);
    OdbcSession odbc;
    QVERIFY(odbc.connect(standinConnection("127.0.0.1", secondPort)));
    QCOMPARE(odbc.exec("select k from t_kept order by k").rows, (QList<QStringList>{{"1"}}));
    stopStandin(second);
}

void TestStandinProtocol::invalidDateTimeParameter_data() {
    QTest::addColumn<int>("year"); // of 1 January
    QTest::newRow("before 1753") << 1700;
    QTest::newRow("after 9999") << 10000;
}

// A DATETIME value SQL Server cannot hold ends the statement with 8023; the session and its
// open transaction stay as they were.
void TestStandinProtocol::invalidDateTimeParameter() {
    QFETCH(int, year);
    OdbcSession odbc;
    QVERIFY(odbc.connect(connection()));
    QVERIFY(odbc.exec("delete from t_dates").ok());
    odbc.setAutocommit(false);
    QVERIFY(odbc.exec("insert into t_dates values (1, '2025-01-01')").ok());

    SQLHSTMT stmt = SQL_NULL_HSTMT;
    StatementGuard guard{stmt};
    SQLAllocHandle(SQL_HANDLE_STMT, odbc.handle(), &stmt);
    SQL_TIMESTAMP_STRUCT stamp{SQLSMALLINT(year), 1, 1, 0, 0, 0, 0};
    SQLLEN indicator = 0;
    QVERIFY(SQL_SUCCEEDED(SQLBindParameter(stmt, 1, SQL_PARAM_INPUT, SQL_C_TYPE_TIMESTAMP,
                                           SQL_TYPE_TIMESTAMP, 23, 3, &stamp, 0, &indicator)));
    const QByteArray sql = "insert into t_dates values (2, ?)";
    QVERIFY(!SQL_SUCCEEDED(SQLExecDirect(stmt, (SQLCHAR*)sql.constData(), SQL_NTS)));
    const SqlOutcome diag = OdbcSession::diagnostics(SQL_HANDLE_STMT, stmt);
    QCOMPARE(diag.numbers.value(0), 8023);
    QVERIFY2(diag.texts.first().endsWith(
                 "The incoming tabular data stream (TDS) remote procedure call (RPC) protocol "
                 "stream is incorrect. Parameter 3 (\"\"): The supplied value is not a valid "
                 "instance of data type datetime. Check the source data for invalid values. An "
                 "example of an invalid value is data of numeric type with scale greater than "
                 "precision."),
             qPrintable(diag.texts.first()));

    QCOMPARE(odbc.exec("select @@TRANCOUNT, count(1) from t_dates").rows,
             (QList<QStringList>{{"1", "1"}}));
    QVERIFY(odbc.endTran(true));
    OdbcSession other;
    QVERIFY(other.connect(connection()));
    QCOMPARE(other.exec("select k from t_dates").rows, (QList<QStringList>{{"1"}}));
}

// --log-statements: each text the server runs, as received, in order, then a line holding
// only the record separator (0x1E).
void TestStandinProtocol::statementLog() {
    REQUIRE_STANDIN(m_server, "its statement log (--log-statements)");
    QTemporaryDir root, logDir;
    const QString logFile = logDir.path() + "/statements.log";
    QProcess server;
    const int port =
        startStandin(server, root.path(), {"--listen", "127.0.0.1:0", "--log-statements", logFile});
    QVERIFY(port > 0);
    {
        OdbcSession odbc;
        QVERIFY(odbc.connect(standinConnection("127.0.0.1", port)));
        QVERIFY(odbc.exec("select 1\nselect N'两\n行'\n").ok());
        SQLHSTMT stmt = SQL_NULL_HSTMT;
        StatementGuard guard{stmt};
        SQLAllocHandle(SQL_HANDLE_STMT, odbc.handle(), &stmt);
        BoundParam param{SQL_INTEGER, "7"};
        QVERIFY(SQL_SUCCEEDED(param.bind(stmt, 1)));
        const QByteArray direct = "select ? + 1";
        QVERIFY(SQL_SUCCEEDED(SQLExecDirect(stmt, (SQLCHAR*)direct.constData(), SQL_NTS)));
        SQLCloseCursor(stmt);
        const QByteArray prepared = "select ? * 2";
        QVERIFY(SQL_SUCCEEDED(SQLPrepare(stmt, (SQLCHAR*)prepared.constData(), SQL_NTS)));
        for (int k = 0; k < 2; ++k) {
            QVERIFY(SQL_SUCCEEDED(SQLExecute(stmt)));
            SQLCloseCursor(stmt);
        }
        QVERIFY(!odbc.exec("select nosuch from t_nosuch").ok());
    }
    QFile file(logFile);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    QVERIFY2(text.endsWith("\n\x1e\n"), qPrintable(text));
    QStringList records = text.split("\n\x1e\n");
    records.removeLast();
    QVERIFY2(records.size() >= 5, qPrintable(records.join(" | ")));
    QCOMPARE(records.mid(records.size() - 5),
             (QStringList{"select 1\nselect N'两\n行'\n", "select @P1 + 1", "select @P1 * 2",
                          "select @P1 * 2", "select nosuch from t_nosuch"}));
    stopStandin(server);
}

// One server on two loopback addresses: a "ready" line for each, both serve.
void TestStandinProtocol::severalListenAddresses() {
    REQUIRE_STANDIN(m_server, "its command line (--listen given twice)");
    QTemporaryDir root;
    QProcess server;
    const int first =
        startStandin(server, root.path(), {"--listen", "127.0.0.1:0", "--listen", "127.0.1.1:0"});
    QVERIFY(first > 0);
    QTRY_VERIFY_WITH_TIMEOUT(server.canReadLine(), 15000);
    const QByteArray second = server.readLine().trimmed();
    QVERIFY2(second.startsWith("ready 127.0.1.1:"), second.constData());
    for (const auto& [host, port] :
         {std::pair<QString, int>{"127.0.0.1", first}, {"127.0.1.1", second.mid(16).toInt()}}) {
        OdbcSession odbc;
        QVERIFY2(odbc.connect(standinConnection(host, port)), qPrintable(host));
        QCOMPARE(odbc.exec("select 1").rows, (QList<QStringList>{{"1"}}));
    }
    stopStandin(server);
}

void TestStandinProtocol::listenRefused_data() {
    QTest::addColumn<QStringList>("addresses"); // %P: the port the test server already uses
    QTest::addColumn<QString>("message");
    QTest::newRow("address in use") << QStringList{"127.0.0.1:%P"} << "127.0.0.1:%P";
    QTest::newRow("second address in use")
        << QStringList{"127.0.1.1:0", "127.0.0.1:%P"} << "127.0.0.1:%P";
    QTest::newRow("no host") << QStringList{":0"} << "--listen";
}

// An address that cannot be served stops the server before it reports ready anywhere.
void TestStandinProtocol::listenRefused() {
    REQUIRE_STANDIN(m_server, "its command line (--listen refused)");
    QFETCH(QStringList, addresses);
    QFETCH(QString, message);
    const QString port = QString::number(m_server.port());
    QTemporaryDir root;
    QStringList args{"--root", root.path()};
    for (const QString& address : addresses)
        args << "--listen" << QString(address).replace("%P", port);
    QProcess server;
    server.start(QStringLiteral(STANDIN_BIN), args);
    QVERIFY(server.waitForFinished(15000));
    QVERIFY(server.exitCode() != 0);
    QVERIFY(!server.readAllStandardOutput().contains("ready"));
    const QString error = QString::fromUtf8(server.readAllStandardError());
    QVERIFY2(error.contains(message.replace("%P", port)), qPrintable(error));
}

QTEST_GUILESS_MAIN(TestStandinProtocol)
#include "tst_standin_protocol.moc"
