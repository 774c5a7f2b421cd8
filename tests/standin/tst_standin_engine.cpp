// The statement engine through the real client stack: unixODBC + FreeTDS against the server
// under test, with the statements the tool sends and the failures it must report. Against an
// outside server these check that SQL Server answers as the stand-in does; the cases about the
// stand-in's own features skip there. Texts that SQL Server 2000 (the stand-in) and later
// versions word differently are accepted in either wording.
#include "tests/standin/tst_standin_protocol_raw.h"
#include "tests/support/OdbcSession.h"
#include "tests/support/TestDatabases.h"
#include "tests/support/TestDir.h"
#include "tests/support/TestServer.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <memory>
#include <optional>
#include <thread>

namespace {

// "number:class" of each INFO and ERROR token in a reply, in order.
QStringList messageClasses(const QByteArray& reply) {
    QStringList out;
    const auto u16 = [&](int at) { return quint8(reply[at]) | quint8(reply[at + 1]) << 8; };
    for (int i = 0; i < reply.size();) {
        const quint8 token = quint8(reply[i]);
        if (token == 0xAA || token == 0xAB) {
            const qint32 number =
                qint32(u16(i + 3) | u16(i + 5) << 16); // after the token and its length
            out << QString("%1:%2").arg(number).arg(quint8(reply[i + 8]));
        }
        if (token == 0xAA || token == 0xAB || token == 0xE3)
            i += 3 + u16(i + 1);
        else if (token == 0xFD || token == 0xFE || token == 0xFF)
            i += 9;
        else
            break; // a result set: nothing of interest follows in these replies
    }
    return out;
}

// How many databases master's catalogue lists under `name`, as text.
QString catalogued(OdbcSession& odbc, const QString& name) {
    return odbc.exec("select count ( 1 ) from master.dbo.sysdatabases where name = ?", {name})
        .rows.value(0)
        .value(0);
}

// The statement the tool builds for a restore, blanks included.
QString restoreStatement(const QString& db, const QString& backup, const QString& dir) {
    return "restore database " + db + " from disk='" + backup + "'   WITH MOVE 'hotel_data' TO '" +
           dir + "\\" + db + "_data',  MOVE 'hotel_log' TO '" + dir + "\\" + db + "_log' ";
}

} // namespace

class TestStandinEngine : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void init();
    void cleanup();
    void toolStatementsOnRestoredDatabase();
    void restoreFailures_data();
    void restoreFailures();
    void databaseCommands();
    void declaredWidths_data();
    void declaredWidths();
    void transactionControl_data();
    void transactionControl();
    void makeBackupRoundTrip();
    void writeAfterReadInTransaction();
    void locking_data();
    void locking();
    void statements_data();
    void statements();

  private:
    QString connection(const QString& database = QStringLiteral("master")) const {
        return m_server.odbcConnectionString(database);
    }
    QString restoreWorking(const QString& hint, SqlOutcome* outcome = nullptr);
    QString makeScratch(const QString& hint, const QString& setup = QString());

    TestServer m_server{QStringLiteral("Secret#1")};
    TestDatabases m_databases{m_server};
    QString m_backups;            // vqdata and vqdatays, made on the server under test
    std::optional<TestDir> m_dir; // each case's folder for the files the server writes
};

void TestStandinEngine::initTestCase() {
    QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
    QString error;
    m_backups = m_databases.backupDir(&error);
    QVERIFY2(!m_backups.isEmpty(), qPrintable(error));
}

void TestStandinEngine::init() {
    m_dir.emplace();
}

// Each case closes its connections as it returns, so its databases can go.
void TestStandinEngine::cleanup() {
    const QString left = m_databases.dropAll();
    m_dir.reset();
    QVERIFY2(left.isEmpty(), qPrintable(left));
}

// A copy of the working database under a name of its own, restored as page 1 restores it, with
// its files in the case's folder. Its name; empty, with the server's messages in a warning,
// when it cannot be restored. The restore's outcome goes to `outcome` when given.
QString TestStandinEngine::restoreWorking(const QString& hint, SqlOutcome* outcome) {
    const QString name = TestDatabases::uniqueName(hint);
    m_databases.adopt(name);
    OdbcSession master;
    if (!master.connect(connection())) {
        qWarning() << master.connectError();
        return {};
    }
    const SqlOutcome o = master.exec(restoreStatement(name, m_backups + "/vqdata", m_dir->path()));
    if (outcome)
        *outcome = o;
    if (!o.ok())
        qWarning().noquote() << o.report();
    return o.ok() ? name : QString();
}

// An empty database for a case's own tables, which `setup` makes there. Its name; empty, with
// the reason in a warning, when it cannot be made.
QString TestStandinEngine::makeScratch(const QString& hint, const QString& setup) {
    const QString name = TestDatabases::uniqueName(hint);
    const QString error = m_databases.createEmpty(name, setup);
    if (!error.isEmpty())
        qWarning().noquote() << error;
    return error.isEmpty() ? name : QString();
}

void TestStandinEngine::toolStatementsOnRestoredDatabase() {
    SqlOutcome restore;
    const QString name = restoreWorking("hotel", &restore);
    QVERIFY(!name.isEmpty());
    QCOMPARE(restore.numbers, (QList<int>{4035, 4035, 3014}));
    QVERIFY(restore.texts[0].endsWith("for database '" + name + "', file 'hotel_data' on file 1."));
    QVERIFY(restore.texts[1].endsWith("for database '" + name + "', file 'hotel_log' on file 1."));
    QVERIFY(restore.texts[2].contains("RESTORE DATABASE successfully processed"));
    QVERIFY(QFile::exists(m_dir->filePath(name + "_data")));
    QVERIFY(QFile::exists(m_dir->filePath(name + "_log")));

    OdbcSession odbc;
    QVERIFY(odbc.connect(connection(name)));
    const SqlOutcome now = odbc.exec("select getdate ( ) from sysobjects");
    QVERIFY(!now.rows.isEmpty());
    const QDateTime server = QDateTime::fromString(now.rows[0][0].left(19), "yyyy-MM-dd HH:mm:ss");
    QVERIFY(qAbs(server.secsTo(QDateTime::currentDateTime())) < 60);

    QStringList modules;
    for (const QStringList& r : odbc.exec("SELECT LSXTMC.F_XTBH, LSXTMC.F_XTMC, LSXTMC.F_SFSY, "
                                          "LSXTMC.F_QYNDQJ, ' ' AS F_FLAG FROM LSXTMC")
                                    .rows)
        modules << r.join('|');
    QCOMPARE(modules, (QStringList{"KF|客房管理系统|0|000000| ", "CY|餐饮管理系统|0|000000| ",
                                   "XY|洗浴管理系统|0|000000| ", "RS|人事管理系统|0|000000| ",
                                   "KC|库存管理系统|0|000000| ", "HY|会员管理系统|0|000000| "}));
    QCOMPARE(odbc.exec("SELECT LSKJQJ.LSKJQJ_QJBH FROM lskjqj").rows.size(), 12);

    // Page 4's fixed statements: open only what is closed, close a module, always-open entries.
    const QString open = "update t_zd_menu set ifini ='Y' where win_name in ( 'wel_main' , "
                         "'pay_main' , 'roo_main' , 'sal_main' ) and ifini ='N'";
    QCOMPARE(odbc.exec(open).rowCount, SQLLEN(4));
    QCOMPARE(odbc.exec(open).rowCount, SQLLEN(0));
    QCOMPARE(odbc.exec("update t_zd_menu set ifini ='N' where win_name in ( 'eat_main' )").rowCount,
             SQLLEN(1));
    const SqlOutcome always = odbc.exec("update t_zd_menu set ifini ='Y' where ( win_name in ( "
                                        "'sys_main' , 'man_main' , 'cwr_main' , 'urs_main' ) ) or "
                                        "gsxtxx_js ='1'");
    QVERIFY(always.rowCount > 4);

    QCOMPARE(odbc.exec("select hotel_date from hotel_date").rows,
             QList<QStringList>{{"2008-01-01 00:00:00.000"}});

    // The data views' statements, as they write them.
    const QString business = "select code, name, ename, phone, tax, address, hangye from t_zd_user";
    const SqlOutcome added =
        odbc.exec("INSERT INTO t_zd_user (code, name, hangye) VALUES (?, ?, ?)",
                  {QString("01"), QVariant(), QString("06")});
    QCOMPARE(added.rowCount, SQLLEN(1));
    QCOMPARE(odbc.exec("select code, case when name is null then 'null' end, hangye from t_zd_user")
                 .rows,
             (QList<QStringList>{{"01", "null", "06"}}));
    const QString ifStillNull =
        "UPDATE t_zd_user SET name = ?, phone = ? WHERE code = ? AND name IS NULL";
    QCOMPARE(odbc.exec(ifStillNull, {QString("宾馆"), QString("123"), QString("01")}).rowCount,
             SQLLEN(1));
    QCOMPARE(odbc.exec(ifStillNull, {QString("别人"), QString(), QString("01")}).rowCount,
             SQLLEN(0));
    QCOMPARE(odbc.exec(business).rows,
             (QList<QStringList>{{"01", "宾馆", "", "123", "", "", "06"}}));

    const QString period =
        "UPDATE lskjqj SET LSKJQJ_QSRQ = ? WHERE LSKJQJ_QJBH = ? AND LSKJQJ_QSRQ = ?";
    const QString start =
        odbc.exec("select LSKJQJ_QSRQ from lskjqj where LSKJQJ_QJBH = '01'").rows.value(0).value(0);
    QCOMPARE(odbc.exec(period, {QString("0102"), QString("01"), start}).rowCount, SQLLEN(1));
    QCOMPARE(odbc.exec(period, {QString("0103"), QString("01"), start}).rowCount, SQLLEN(0));

    QCOMPARE(odbc.exec("update hotel_date SET hotel_date = ?",
                       {QDateTime(QDate(2026, 2, 28), QTime(23, 59, 59, 997))})
                 .rowCount,
             SQLLEN(1));
    QCOMPARE(odbc.exec("select hotel_date from hotel_date").rows,
             QList<QStringList>{{"2026-02-28 23:59:59.997"}});

    // A missing table inside an open transaction fails that statement only.
    odbc.setAutocommit(false);
    QCOMPARE(odbc.exec("update t_zd_user set phone = '1' where code = '01'").rowCount, SQLLEN(1));
    QCOMPARE(odbc.exec("select code from t_zd_nosuch").numbers, QList<int>{208});
    QCOMPARE(odbc.exec("select @@TRANCOUNT , phone from t_zd_user").rows,
             (QList<QStringList>{{"1", "1"}}));
    odbc.endTran(true);
    odbc.setAutocommit(true);
    OdbcSession other;
    QVERIFY(other.connect(connection(name)));
    QCOMPARE(other.exec("select phone from t_zd_user").rows, QList<QStringList>{{"1"}});
}

void TestStandinEngine::restoreFailures_data() {
    // %B backup, %D data dir (holding "bad", a file that is not a backup), %N name, %E the case's
    // existing database
    QTest::addColumn<QString>("statementTemplate");
    QTest::addColumn<QList<int>>("numbers");
    QTest::addColumn<QString>("firstText"); // %D, %N and %E as above
    const auto row = [](const char* tag, const QString& sql, const QList<int>& numbers,
                        const char* firstText) {
        QTest::newRow(tag) << sql << numbers << QString(firstText);
    };
    const QString tool = restoreStatement("%N", "%B", "%D");
    row("backup file missing", QString(tool).replace("%B", "%B.nosuch"), {3201, 3013},
        "Operating system error 2(The system cannot find the file specified.).");
    row("not a backup", QString(tool).replace("%B", "%D/bad"), {3241, 3013},
        "The media family on device '%D/bad' is incorrectly formed. SQL Server cannot process "
        "this media family.");
    row("logical name not in backup", QString(tool).replace("'hotel_log'", "'hotel_lg'"),
        {3234, 3013},
        "Logical file 'hotel_lg' is not part of database '%N'. Use RESTORE FILELISTONLY to list "
        "the logical file names.");
    row("target directory missing", QString(tool).replace("%D", "%D\\nosuchdir"),
        {5133, 3156, 5133, 3156, 3119, 3013},
        "failed with the operating system error 3(The system cannot find the path specified.).");
    row("name exists", restoreStatement("%E", "%B", "%D"), {3154, 3013},
        "The backup set holds a backup of a database other than the existing '%E' database.");
    row("files used by another database", QString(tool).replace("%N_data", "%E_data"),
        {1834, 3156, 3119, 3013}, "cannot be overwritten.  It is being used by database '%E'.");
    row("inside a transaction", "BEGIN TRANSACTION " + tool, {3021, 3013},
        "Cannot perform a backup or restore operation within a transaction.");
}

void TestStandinEngine::restoreFailures() {
    QFETCH(QString, statementTemplate);
    QFETCH(QList<int>, numbers);
    QFETCH(QString, firstText);

    const QString existing = restoreWorking("existing");
    QVERIFY(!existing.isEmpty());
    const QString name = TestDatabases::uniqueName("failed");
    m_databases.adopt(name);
    OdbcSession odbc;
    QVERIFY(odbc.connect(connection()));
    const QString dir = m_dir->path();
    QFile bad(dir + "/bad");
    QVERIFY(bad.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && bad.write("not a backup\n"));
    const QStringList before = QDir(dir).entryList(QDir::Files | QDir::Hidden);

    QString sql = statementTemplate;
    sql.replace("%B", m_backups + "/vqdata").replace("%D", dir).replace("%N", name);
    sql.replace("%E", existing);
    firstText.replace("%D", dir).replace("%N", name).replace("%E", existing);
    const SqlOutcome o = odbc.exec(sql);
    QVERIFY(!o.ok());
    QCOMPARE(o.numbers, numbers);
    QVERIFY2(o.texts.first().endsWith(firstText), qPrintable(o.texts.first()));
    QVERIFY(o.texts.last().endsWith("RESTORE DATABASE is terminating abnormally."));
    // Nothing is left behind or taken away: no catalogue entry, no file, the existing database.
    QCOMPARE(catalogued(odbc, name) + catalogued(odbc, existing), QString("01"));
    QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden), before);
}

// CREATE/DROP DATABASE and RESTORE ... REPLACE with the catalogue and the files they touch.
void TestStandinEngine::databaseCommands() {
    const QString made = TestDatabases::uniqueName("made");
    m_databases.adopt(made);
    const QString dir = m_dir->path();
    const QString data = dir + "/" + made + ".mdf", log = dir + "/" + made + ".ldf";
    OdbcSession odbc;
    QVERIFY(odbc.connect(connection()));
    const QString create = "CREATE DATABASE " + made + " ON (NAME = " + made +
                           "_data, FILENAME = '" + data + "') LOG ON (NAME = " + made +
                           "_log, FILENAME = '" + log + "')";
    QVERIFY(odbc.exec(create).ok());
    QVERIFY(QFile::exists(data) && QFile::exists(log));
    SqlOutcome again = odbc.exec(create);
    QCOMPARE(again.numbers, QList<int>{1801});
    QVERIFY2(again.texts[0].contains("Database '" + made + "' already exists."),
             qPrintable(again.texts[0]));
    QCOMPARE(
        odbc.exec("select filename from master.dbo.sysdatabases where name = ?", {made.toUpper()})
            .rows,
        QList<QStringList>{{data}});
    // A statement with a syntax error does nothing at all.
    QCOMPARE(odbc.exec("drop database " + made + " " + made).numbers, QList<int>{102});
    QCOMPARE(odbc.exec(create + " COLLATE Chinese_PRC_CI_AS SIZE").numbers, QList<int>{102});
    QCOMPARE(catalogued(odbc, made), QString("1"));

    // A database in use can be neither dropped nor replaced.
    const QString backup = dir + "/" + made + ".bak";
    const QString replace =
        "restore database " + made + " from disk = '" + backup + "' WITH REPLACE";
    {
        OdbcSession user;
        QVERIFY(user.connect(connection(made)));
        QVERIFY(
            user.exec("create table keep (id int primary key) insert into keep values (7)").ok());
        const SqlOutcome drop = odbc.exec("drop database " + made);
        QCOMPARE(drop.numbers, QList<int>{3702});
        QVERIFY(drop.texts[0].endsWith("Cannot drop database \"" + made +
                                       "\" because it is currently in use."));
        QVERIFY(odbc.exec("backup database " + made + " to disk = '" + backup + "'").ok());
        QCOMPARE(odbc.exec(replace).numbers, (QList<int>{3101, 3013}));
    }
    // Once the user has gone (the server notices the closed socket), REPLACE works in place.
    QTRY_VERIFY(odbc.exec(replace).ok());
    QCOMPARE(odbc.exec("select id from " + made + "..keep").rows, QList<QStringList>{{"7"}});
    QVERIFY(odbc.exec("drop database " + made).ok());
    QVERIFY(!QFile::exists(data) && !QFile::exists(log));
    QCOMPARE(catalogued(odbc, made), QString("0"));
}

// Values up to the declared width fit; one more is refused and nothing is stored. varchar
// widths count bytes of the server's code page (a Chinese character takes two in the hotels'
// Chinese_PRC collation, which an outside server must have as its default too).
void TestStandinEngine::declaredWidths_data() {
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("fits");
    QTest::newRow("nvarchar(100), 100 Chinese") << "nv" << QString(100, QChar(0x9152)) << true;
    QTest::newRow("nvarchar(100), 101 Chinese") << "nv" << QString(101, QChar(0x9152)) << false;
    QTest::newRow("varchar(4), two Chinese") << "v" << QString("客房") << true;
    QTest::newRow("varchar(4), two Chinese and one more") << "v" << QString("客房x") << false;
    QTest::newRow("varchar(4), four ASCII") << "v" << QString("abcd") << true;
    QTest::newRow("char(2), three ASCII") << "c" << QString("abc") << false;
}

void TestStandinEngine::declaredWidths() {
    QFETCH(QString, column);
    QFETCH(QString, value);
    QFETCH(bool, fits);
    const QString db = makeScratch(
        "widths", "create table widths (id int, nv nvarchar(100), v varchar(4), c char(2))");
    OdbcSession odbc;
    QVERIFY(!db.isEmpty() && odbc.connect(connection(db)));
    const SqlOutcome o =
        odbc.exec("insert into widths (id, " + column + ") values (1, ?)", {value});
    QCOMPARE(o.ok(), fits);
    if (!fits) {
        // SQL Server 2019 and later say 2628, naming the table and column.
        QVERIFY2(o.numbers == (QList<int>{8152, 3621}) || o.numbers == (QList<int>{2628, 3621}),
                 qPrintable(o.report()));
        QVERIFY(o.texts[0].contains("String or binary data would be truncated"));
        QVERIFY(o.texts[1].endsWith("The statement has been terminated."));
    }
    const SqlOutcome back = odbc.exec("select " + column + " from widths");
    QCOMPARE(back.rows, fits ? QList<QStringList>{{value}} : QList<QStringList>{});
}

// The statements FreeTDS sends for the ODBC transaction calls, SQL Server's counting, and
// IMPLICIT_TRANSACTIONS.
void TestStandinEngine::transactionControl_data() {
    QTest::addColumn<QStringList>("batches");
    QTest::addColumn<QString>("tranCount"); // @@TRANCOUNT afterwards
    // What another connection reads afterwards: the committed count, or "locked" while the
    // transaction still holds an uncommitted insert.
    QTest::addColumn<QString>("visible");
    const auto row = [](const char* tag, const QString& tranCount, const QString& visible,
                        const QStringList& batches) {
        QTest::newRow(tag) << batches << tranCount << visible;
    };
    const QString insert = "insert into tc values (1)";
    row("commit, then a new transaction", "1", "1",
        {"BEGIN TRANSACTION", insert, "IF @@TRANCOUNT > 0 COMMIT BEGIN TRANSACTION"});
    row("rollback, then a new transaction", "1", "0",
        {"BEGIN TRANSACTION", insert, "IF @@TRANCOUNT > 0 ROLLBACK BEGIN TRANSACTION"});
    row("autocommit back on rolls back", "0", "0",
        {"BEGIN TRANSACTION", insert, "IF @@TRANCOUNT > 0 ROLLBACK"});
    row("nested commit only lowers the count", "1", "locked",
        {"BEGIN TRAN", "BEGIN TRANSACTION", insert, "COMMIT"});
    row("rollback clears all levels", "0", "0",
        {"BEGIN TRAN", "BEGIN TRAN", insert, "ROLLBACK TRAN"});
    row("a failed statement keeps the transaction", "0", "1",
        {"BEGIN TRAN", insert, insert, "COMMIT TRANSACTION"});
    row("autocommit by default", "0", "1", {insert});
    const QString implicit = "SET IMPLICIT_TRANSACTIONS ON";
    row("implicit: a select without a table opens none", "0", "0", {implicit, "select 1"});
    row("implicit: a write opens one", "1", "locked", {implicit, insert});
    row("implicit: rollback ends it", "0", "0", {implicit, insert, "rollback"});
    row("implicit: commit ends it", "0", "1", {implicit, insert + " commit"});
}

void TestStandinEngine::transactionControl() {
    QFETCH(QStringList, batches);
    QFETCH(QString, tranCount);
    QFETCH(QString, visible);
    const QString db = makeScratch("tc", "create table tc (id int primary key)");
    OdbcSession odbc, other;
    QVERIFY(!db.isEmpty() && odbc.connect(connection(db)));
    QVERIFY(other.connect(connection(db)));
    for (const QString& batch : batches)
        odbc.exec(batch);
    QCOMPARE(odbc.exec("select @@TRANCOUNT").rows, QList<QStringList>{{tranCount}});
    const SqlOutcome seen = other.exec("SET LOCK_TIMEOUT 0 select count(1) from tc");
    QCOMPARE(seen.numbers == QList<int>{1222} ? QString("locked") : seen.rows.value(0).value(0),
             visible);
    odbc.exec("IF @@TRANCOUNT > 0 ROLLBACK");
}

void TestStandinEngine::makeBackupRoundTrip() {
    REQUIRE_STANDIN(m_server, "its make-backup command and the backup format it writes");
    QTemporaryDir work;
    QFile script(work.path() + "/s.sql");
    QVERIFY(script.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    script.write(
        "CREATE DATABASE rt ON (NAME = rt_data, FILENAME = 'c:\\rt\\rt.mdf') LOG ON "
        "(NAME = rt_log, FILENAME = 'c:\\rt\\rt.ldf')\nGO\nUSE rt\nGO\n"
        "create table m (code varchar(4) primary key, name nvarchar(20))\n"
        "insert into m values ('KF', N'客房')\ninsert into m values ('CY', N'餐饮')\nGO\n");
    const QString backup = work.path() + "/rtbackup";
    QProcess make;
    make.start(QStringLiteral(STANDIN_BIN),
               {"make-backup", "--database", "rt", "--out", backup, script.fileName()});
    QVERIFY(make.waitForFinished(60000));
    QCOMPARE(make.exitCode(), 0);

    OdbcSession odbc;
    QVERIFY(odbc.connect(connection()));
    const SqlOutcome list = odbc.exec("RESTORE FILELISTONLY FROM DISK = '" + backup + "'");
    QCOMPARE(list.rows.size(), 2);
    QCOMPARE(list.rows[0].mid(0, 3), (QStringList{"rt_data", "c:\\rt\\rt.mdf", "D"}));
    const QString copy = TestDatabases::uniqueName("rt");
    m_databases.adopt(copy);
    QVERIFY(odbc.exec("restore database " + copy + " from disk='" + backup +
                      "' WITH MOVE 'rt_data' TO '" + work.path() +
                      "\\rt2.mdf', MOVE 'rt_log' TO '" + work.path() + "\\rt2.ldf'")
                .ok());
    QCOMPARE(odbc.exec("select code, name from " + copy + "..m").rows,
             (QList<QStringList>{{"KF", "客房"}, {"CY", "餐饮"}}));
}

// The tool's pages read on entry and save later. Another connection's commit in between must
// not fail the save; reads inside the transaction see what was committed since (read
// committed) and keep no one waiting. What its writes hold, the locking cases show.
void TestStandinEngine::writeAfterReadInTransaction() {
    const QString name = restoreWorking("rw");
    OdbcSession page, other;
    QVERIFY(!name.isEmpty() && page.connect(connection(name)));
    QVERIFY(other.connect(connection(name)));
    QVERIFY(other.exec("SET LOCK_TIMEOUT 0").ok());

    page.setAutocommit(false);
    QCOMPARE(page.exec("select F_XTBH, F_SFSY from LSXTMC").rows.size(), 6);
    QVERIFY(other.exec("update t_zd_menu set ifini ='N' where win_name in ( 'eat_main' )").ok());
    QVERIFY(other.exec("update t_zd_menu set menu_name = N'新' where win_name = 'eat_main'").ok());
    QCOMPARE(page.exec("select ifini, menu_name from t_zd_menu where win_name = 'eat_main'").rows,
             (QList<QStringList>{{"N", "新"}}));
    const SqlOutcome save = page.exec(
        "update t_zd_menu set ifini ='Y' where win_name in ( 'eat_main' ) and ifini ='N'");
    QCOMPARE(save.rowCount, SQLLEN(1));
    page.endTran(true);
    QCOMPARE(other.exec("select ifini from t_zd_menu where win_name = 'eat_main'").rows,
             QList<QStringList>{{"Y"}});
    page.setAutocommit(true);
}

// One connection (the holder) keeps a transaction open over a write; another (the probe) meets
// it. Tables: lk (1 'a', 2 'b'), which the holder writes, and free (1) in a database of its own
// (%F), which the probe writes. SQL Server locks rows and the stand-in whole databases for
// writers, so a probe that writes meets the holder's row itself.
void TestStandinEngine::locking_data() {
    QTest::addColumn<QString>("holder");  // "odbc" or "raw": the client that holds the lock
    QTest::addColumn<QString>("written"); // its statement, inside its open transaction
    QTest::addColumn<QString>("probe");   // the probe's batch; "attention: ..." cancels it
    QTest::addColumn<QString>("release"); // commit, rollback, disconnect, reset
    QTest::addColumn<int>("releaseAfter");
    QTest::addColumn<QString>("expected");   // rows ("|" between cells) or the error number
    QTest::addColumn<QString>("probeState"); // @@TRANCOUNT and count(1) of free, afterwards
    QTest::addColumn<int>("minMs"); // how long the probe took (it starts just after the holder
    QTest::addColumn<int>("maxMs"); // begins its wait for releaseAfter)

    const QString insert = "insert into lk values (3, 'c')";
    const QString update = "update lk set v = 'x' where id = 1";
    const auto row = [](const char* tag, const char* holder, const QString& written,
                        const QString& probe, const char* release, int releaseAfter,
                        const char* expected, const char* probeState, int minMs, int maxMs) {
        QTest::newRow(tag) << QString(holder) << written << probe << QString(release)
                           << releaseAfter << QString(expected) << QString(probeState) << minMs
                           << maxMs;
    };
    row("reader meets an uncommitted update; rollback releases", "odbc", update,
        "select v from lk where id = 1", "rollback", 300, "a", "0|1", 250, 1300);
    row("reader meets an uncommitted delete; commit releases", "odbc",
        "delete from lk where id = 2", "select id, v from lk", "commit", 300, "1|a", "0|1", 250,
        1300);
    row("reader of untouched rows reads at once", "odbc", update, "select count(1) from %F..free",
        "rollback", 1000, "1", "0|1", 0, 500);
    row("writer waits for the writer", "odbc", update,
        "update lk set v = 'y' where id = 1 select v from lk order by id", "commit", 300, "y\nb",
        "0|1", 250, 1300);
    row("by default a wait lasts beyond five seconds", "odbc", insert,
        "update lk set v = 'w' where id = 3 select v from lk where id = 3", "commit", 6000, "w",
        "0|1", 5900, 7000);
    row("LOCK_TIMEOUT -1 waits as long as it takes", "odbc", insert,
        "SET LOCK_TIMEOUT 0 SET LOCK_TIMEOUT -1 select count(1) from lk", "rollback", 1500, "2",
        "0|1", 1400, 2500);
    row("LOCK_TIMEOUT 0 fails at once, the transaction stays", "odbc", update,
        "BEGIN TRANSACTION insert into %F..free values (2) SET LOCK_TIMEOUT 0 "
        "select count(1) from lk",
        "rollback", 1000, "1222", "1|2", 0, 500);
    row("LOCK_TIMEOUT n fails after n ms, the transaction stays", "odbc", update,
        "BEGIN TRANSACTION insert into %F..free values (2) SET LOCK_TIMEOUT 600 "
        "update lk set v = 'z' where id = 1",
        "rollback", 2000, "1222", "1|2", 600, 1400);
    row("a cancel ends the wait at once", "odbc", update, "attention: select count(1) from lk",
        "rollback", 1500, "12345", "", 0, 300);
    row("a closed connection releases at once", "odbc", insert, "select count(1) from lk",
        "disconnect", 300, "2", "0|1", 250, 800);
    row("a dropped socket releases at once", "raw", insert, "select count(1) from lk", "reset", 300,
        "2", "0|1", 250, 800);
}

void TestStandinEngine::locking() {
    QFETCH(QString, holder);
    QFETCH(QString, written);
    QFETCH(QString, probe);
    QFETCH(QString, release);
    QFETCH(int, releaseAfter);
    QFETCH(QString, expected);
    QFETCH(QString, probeState);
    QFETCH(int, minMs);
    QFETCH(int, maxMs);

    if ((holder == "raw" || probe.startsWith("attention: ")) && m_server.port() == 0)
        QSKIP("the raw TDS client needs the server's port: give the server as host,port");
    const QString free =
        makeScratch("free", "create table free (id int) insert into free values (1)");
    const QString db =
        makeScratch("lk", "create table lk (id int primary key, v varchar(10)) "
                          "insert into lk values (1, 'a') insert into lk values (2, 'b')");
    QVERIFY(!free.isEmpty() && !db.isEmpty());
    probe.replace("%F", free);

    auto odbcHolder = std::make_unique<OdbcSession>();
    RawClient rawHolder;
    if (holder == "odbc") {
        QVERIFY(odbcHolder->connect(connection(db)));
        odbcHolder->setAutocommit(false);
        QVERIFY(odbcHolder->exec(written).ok());
    } else {
        QVERIFY(rawHolder.connectTo(m_server.host(), m_server.port()));
        QVERIFY(rawHolder.login("sa", m_server.saPassword(), db));
        QVERIFY(rawHolder.sendBatch("BEGIN TRANSACTION " + written));
        QVERIFY(messageClasses(rawHolder.readMessage()).isEmpty());
    }

    OdbcSession prober;
    QVERIFY(prober.connect(connection(db)));
    QString seen;
    qint64 elapsed = -1;
    std::thread probing([&] {
        QElapsedTimer timer;
        if (probe.startsWith("attention: ")) {
            // Raw TDS: the cancel and its acknowledgement are seen on the wire.
            RawClient raw;
            if (!raw.connectTo(m_server.host(), m_server.port()) ||
                !raw.login("sa", m_server.saPassword(), db) || !raw.sendBatch(probe.mid(11)))
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            timer.start();
            raw.sendAttention();
            const QByteArray ack = raw.readMessage();
            elapsed = timer.elapsed();
            if (!RawClient::endsWithAttentionAck(ack))
                return;
            raw.sendBatch("select 12345");
            if (raw.readMessage().contains(QByteArray::fromHex("39300000")))
                seen = "12345";
            return;
        }
        timer.start();
        const SqlOutcome o = prober.exec(probe);
        elapsed = timer.elapsed();
        QStringList rows;
        for (const QStringList& r : o.rows)
            rows << r.join('|');
        seen = o.ok() ? rows.join("\n") : QString::number(o.numbers.value(0));
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(releaseAfter));
    if (release == "commit" || release == "rollback")
        odbcHolder->endTran(release == "commit");
    else if (release == "disconnect")
        odbcHolder.reset();
    else
        rawHolder.reset();
    probing.join();

    QCOMPARE(seen, expected);
    QVERIFY2(elapsed >= minMs && elapsed <= maxMs, qPrintable(QString::number(elapsed)));
    if (!probeState.isEmpty())
        QCOMPARE(prober.exec("select @@TRANCOUNT , count ( 1 ) from " + free + "..free")
                     .rows.value(0)
                     .join('|'),
                 probeState);
    prober.exec("IF @@TRANCOUNT > 0 ROLLBACK");
}

// Single statements and batches on a restored database (%D its name) that also holds the tables
// chars and blanks: the rows of all result sets ("|" between cells), the columns SQLDescribeCol
// reports before execution, the number and class of each message, or the numbers of a failure's
// messages and the wordings its first may have: SQL Server 2000's (the stand-in's) or a later
// version's.
void TestStandinEngine::statements_data() {
    // rows, describe (name:type:size), info (number:class), error ("numbers: wording | ...")
    QTest::addColumn<QString>("client");
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("param");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char* tag, const QString& client, const QString& sql,
                        const QString& expected, const QString& param = QString()) {
        QTest::newRow(tag) << client << sql << param << expected;
    };
    row("joined by blanks only", "rows", "set textsize 64512 select @@trancount use [%D] select 1",
        "0\n1");
    row("statements after USE see that database", "rows",
        "use master use [%D] select count(1) from LSXTMC", "6");
    row("two-dot name from master", "rows",
        "use master select F_XTBH from %D..LSXTMC where F_XTBH = 'HY'", "HY");
    row("national literal and bracketed names", "rows",
        "select [F_XTBH] from [LSXTMC] where [F_XTMC] = N'餐饮管理系统'", "CY");
    row("IF guards one statement only", "rows", "IF @@TRANCOUNT > 0 select 1 select 2", "2");
    row("version names the product", "rows",
        "select case when @@VERSION like 'Microsoft SQL Server%' then 'yes' end", "yes");
    row("comments and semicolons", "rows", "select 1; -- one\n/* two */ select 'a;b'", "1\na;b");
    row("owner-qualified names", "rows",
        "select [LSXTMC].F_XTBH from [dbo].[LSXTMC] where F_XTBH = 'HY' "
        "select count(1) from dbo.LSXTMC",
        "HY\n6");
    row("string + string concatenates", "rows", "select 'a' + 'b' , N'客' + '房'", "ab|客房");
    row("column + string concatenates", "rows",
        "select F_XTBH + 'x' + F_SFSY from LSXTMC where F_XTBH + '-' = 'HY-'", "HYx0");
    row("numbers still add, left to right", "rows",
        "select 1 + 2 , 10 - 3 + 2 , 2 * 3 + 1 , - 1 + 5 , ( 1 + 2 ) * 2", "3|9|7|4|6");
    row("numeric text + number adds", "rows", "select F_QYNDQJ + 1 from LSXTMC where F_XTBH = 'HY'",
        "1");
    row("concatenation with NULL is NULL", "rows",
        "select case when 'a' + NULL is null then 'null' end", "null");

    const QString exists = "select count ( 1 ) from master.dbo.sysdatabases where name = ?";
    for (const char* name : {"master", "model", "msdb", "tempdb"})
        QTest::addRow("sysdatabases lists %s", name) << "rows" << exists << name << "1";
    row("trailing blanks ignored", "rows", exists, "1", "tempdb  ");
    row("system databases are databases", "rows",
        "use tempdb select case when count(1) > 0 then 'yes' end from sysobjects where xtype = 'S'",
        "yes");
    const QString chars = "select c3, n2, v3, c4 from chars where k = ?";
    row("char(n) padded with blanks", "rows", chars, "   |  ||    ", "1");
    row("char(n) padded after the text", "rows", chars, "a  |客 |a|客  ", "2");
    // SQL Server pads the shorter text with blanks before comparing, case aside: equality,
    // DISTINCT, keys and ORDER BY all agree. The table blanks: 1 'b', 2 'a  ', 3 'A', 4 'a!'.
    row("ORDER BY pads", "rows", "select k from blanks order by v, k", "2\n3\n4\n1");
    row("DISTINCT pads", "rows", "select count(distinct v) from blanks", "3");
    row("= pads", "rows", "select k from blanks where v = ? order by k", "2\n3", "a");
    row("keys pad", "error", "insert into blanks values ('1 ', 'c')",
        "2627,3621: Violation of PRIMARY KEY constraint");
    row("+ keeps trailing blanks", "rows", "select v from blanks where k = '2' + '  '", "a  ");

    row("char(n) described as fixed-length", "describe", chars, "c3:1:3|n2:-8:2|v3:12:3|c4:1:4");
    row("module view described", "describe",
        "SELECT LSXTMC.F_XTBH, LSXTMC.F_XTMC, LSXTMC.F_SFSY, LSXTMC.F_QYNDQJ, ' ' AS F_FLAG "
        "FROM LSXTMC",
        "F_XTBH:12:4|F_XTMC:-9:20|F_SFSY:1:1|F_QYNDQJ:12:6|F_FLAG:12:1");
    row("business row described", "describe",
        "SELECT t_zd_user.code, t_zd_user.name, t_zd_user.address FROM t_zd_user",
        "code:12:2|name:-9:100|address:-9:50");
    row("expressions have no name", "describe", "select getdate ( ), count ( 1 ) from sysobjects",
        ":93:23|:4:10");
    row("count(*) has no name", "describe", "select count(*) from LSXTMC", ":4:10");

    row("restore's messages are class 0", "info", restoreStatement("%N", "%B", "%T"),
        "4035:0|4035:0|3014:0");
    row("use's message is class 0", "info", "use master", "5701:0");
    row("errors keep their class", "info", "select 1 from nosuch", "208:16");

    row("unknown table", "error", "select * from nosuch", "208: Invalid object name 'nosuch'.");
    row("unknown column", "error", "select nosuch from LSXTMC",
        "207: Invalid column name 'nosuch'.");
    row("bracketed unknown column in WHERE", "error",
        "update LSXTMC set F_SFSY='1' where [F_XTBHX]='KF'", "207: Invalid column name 'F_XTBHX'.");
    row("double-quoted unknown column", "error", "select \"nosuchcol\" from LSXTMC",
        "207: Invalid column name 'nosuchcol'.");
    row("keyword", "error", "select from where", "156: Incorrect syntax near the keyword 'from'.");
    row("duplicate key", "error", "insert into LSXTMC (F_XTBH, F_XTMC) values ('KF', N'x')",
        "2627,3621: Violation of PRIMARY KEY constraint 'PK_LSXTMC'. Cannot insert duplicate key "
        "in object 'LSXTMC'. | Violation of PRIMARY KEY constraint 'PK_LSXTMC'. Cannot insert "
        "duplicate key in object 'dbo.LSXTMC'.");
    row("not a date", "error", "insert into hotel_date values ('13th of May')",
        "241: Syntax error converting datetime from character string. | Conversion failed when "
        "converting datetime from character string. | Conversion failed when converting date "
        "and/or time from character string.");
    const QString outOfRange =
        "242,3621: The conversion of a char data type to a datetime data type resulted in an "
        "out-of-range datetime value. | The conversion of a varchar data type to a datetime data "
        "type resulted in an out-of-range value.";
    row("month 13", "error", "insert into hotel_date values ('2025-13-01')", outOfRange);
    row("30 February", "error", "insert into hotel_date values ('2008-02-30')", outOfRange);
    row("29 February of a common year", "error", "update hotel_date set hotel_date = '2007-02-29'",
        outOfRange);
    row("before 1753", "error", "insert into hotel_date values ('1752-12-31')", outOfRange);
    // A varchar value: the stand-in names every text value's type varchar.
    row("text added to a number", "error",
        "select F_XTBH + '客房' + 1 from LSXTMC where F_XTBH = 'KF'",
        "245: Syntax error converting the varchar value 'KF客房' to a column of data type int. | "
        "Conversion failed when converting the varchar value 'KF客房' to data type int.");
    row("commit without begin", "error", "commit",
        "3902: The COMMIT TRANSACTION request has no corresponding BEGIN TRANSACTION.");
    row("rollback without begin", "error", "rollback transaction",
        "3903: The ROLLBACK TRANSACTION request has no corresponding BEGIN TRANSACTION.");
}

void TestStandinEngine::statements() {
    QFETCH(QString, client);
    QFETCH(QString, sql);
    QFETCH(QString, param);
    QFETCH(QString, expected);
    const QString db = restoreWorking("stmts");
    OdbcSession odbc;
    QVERIFY(!db.isEmpty() && odbc.connect(connection(db)));
    QVERIFY(odbc.exec("create table chars (k int, c3 char(3), n2 nchar(2), v3 varchar(3), c4 "
                      "char(4)) insert into chars values (1, '', N'', '', '') insert into chars "
                      "values (2, 'a', N'客', 'a', '客') create table blanks (k varchar(4) primary "
                      "key, v varchar(10)) insert into blanks values ('1', 'b') insert into "
                      "blanks values ('2', 'a  ') insert into blanks values ('3', 'A') insert "
                      "into blanks values ('4', 'a!')")
                .ok());
    sql.replace("%D", db);
    QStringList seen;
    if (client == "rows" || client == "error") {
        const SqlOutcome o = odbc.exec(sql, param.isNull() ? QVariantList{} : QVariantList{param});
        if (client == "error") {
            QVERIFY(!o.ok());
            for (const int n : o.numbers)
                seen << QString::number(n);
            QCOMPARE(seen.join(','), expected.section(": ", 0, 0));
            const QStringList wordings = expected.section(": ", 1).split(" | ");
            QVERIFY2(std::any_of(wordings.begin(), wordings.end(),
                                 [&](const QString& w) { return o.texts.first().contains(w); }),
                     qPrintable(o.texts.first()));
            return;
        }
        QVERIFY2(o.ok(), qPrintable(o.report()));
        for (const QStringList& r : o.rows)
            seen << r.join('|');
        QCOMPARE(seen.join('\n'), expected);
        return;
    }
    if (client == "describe") {
        for (const OdbcSession::Column& c : odbc.describe(sql))
            seen << QString("%1:%2:%3").arg(c.name).arg(c.type).arg(c.size);
    } else {
        if (m_server.port() == 0)
            QSKIP("the raw TDS client needs the server's port: give the server as host,port");
        const QString restored = TestDatabases::uniqueName("info");
        m_databases.adopt(restored);
        sql.replace("%B", m_backups + "/vqdata")
            .replace("%T", m_dir->path())
            .replace("%N", restored);
        RawClient raw;
        QVERIFY(raw.connectTo(m_server.host(), m_server.port()));
        QVERIFY(raw.login("sa", m_server.saPassword()));
        QVERIFY(raw.sendBatch(sql));
        seen = messageClasses(raw.readMessage());
    }
    QCOMPARE(seen.join('|'), expected);
}

QTEST_GUILESS_MAIN(TestStandinEngine)
#include "tst_standin_engine.moc"
