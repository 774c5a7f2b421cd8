#include "services/sql/SqlServices.h"
#include "tests/support/OtherUser.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/TestDatabases.h"
#include "tests/support/TestServer.h"

#include <QtTest>

namespace {

const QString kPassword = QStringLiteral("secret");

} // namespace

class TestSqlServices : public QObject {
    Q_OBJECT

    TestServer m_server{kPassword};
    TestDatabases m_databases{m_server};
    const QString m_database = TestDatabases::uniqueName(QStringLiteral("services"));

    void configure(Transaction& t) { configureSa(t, m_server, m_database); }

    // "<error …>" while another transaction holds a row the count would read: the read waits
    // for it, as on SQL Server, and gives up.
    QString countRows(const QString& v) {
        return OtherUser(m_server, m_database)
            .value(QStringLiteral("select count ( 1 ) from t_svc where v = '%1'").arg(v));
    }

  private slots:
    void initTestCase() {
        QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
        const QString error = m_databases.createEmpty(
            m_database, QStringLiteral("CREATE TABLE t_svc ( v nvarchar(50) NULL )"));
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }

    void cleanupTestCase() {
        const QString left = m_databases.dropAll();
        QVERIFY2(left.isEmpty(), qPrintable(left));
    }

    void gssqltransKeepsTheText_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString("");
        QTest::newRow("blanks at both ends") << QString("  select 1  ");
        QTest::newRow("chinese and quotes") << QString("select '酒店' , N'x''y'");
        QTest::newRow("null") << QString();
    }
    void gssqltransKeepsTheText() {
        QFETCH(QString, text);
        const QString out = gssqltrans(text);
        QCOMPARE(out, text);
        QCOMPARE(out.isNull(), text.isNull());
    }

    void gfexesqlReturnsTheStatusAndCommitsNothing() {
        Transaction t;
        configure(t);
        QCOMPARE(t.connect(), 0);
        QString sql = QStringLiteral(" insert into t_svc ( v ) values ( 'pending' ) ");
        const QString written = sql;
        QCOMPARE(gfexesql(sql, t), 0);
        QCOMPARE(sql, written);
        QCOMPARE(gif_sqlcode(t), 0);
        QVERIFY(countRows(QStringLiteral("pending")).startsWith(u"<error"));
        QCOMPARE(t.commit(), 0);
        QCOMPARE(countRows(QStringLiteral("pending")), QStringLiteral("1"));
    }

    // Several messages arrive in the server's order, one per line.
    void gfexesqlReportsAFailure() {
        Transaction t;
        configure(t);
        t.AutoCommit = true;
        QCOMPARE(t.connect(), 0);
        const QString missing = m_server.root() + "/missing.bak";
        QString sql = "RESTORE DATABASE gone FROM DISK = '" + missing + "'";
        const QString written = sql;
        QCOMPARE(gfexesql(sql, t), -1);
        QCOMPARE(gif_sqlcode(t), -1);
        QCOMPARE(sql, written);
        QCOMPARE(t.SQLDBCode, 3201L);
        QCOMPARE(t.SQLErrText,
                 "Cannot open backup device '" + missing +
                     "'. Operating system error 2(The system cannot find the file specified.).\n"
                     "RESTORE DATABASE is terminating abnormally.");
    }

    void serverTimeLeavesSQLCodeAsItWas() {
        Transaction sqlca;
        configure(sqlca);
        QCOMPARE(sqlca.connect(), 0);
        QString bad = QStringLiteral("select x from no_such_table");
        QVERIFY(gfexesql(bad, sqlca) < 0);
        const long before = sqlca.SQLCode;

        const QDateTime dt = t_f_getsvrdt(sqlca);
        // The server's wall clock, held without a zone.
        QCOMPARE(dt.timeSpec(), Qt::UTC);
        // The stand-in runs on this machine, so its wall clock is ours.
        const QDateTime now = QDateTime::currentDateTime();
        const QDateTime wallClock(now.date(), now.time(), Qt::UTC);
        QVERIFY2(qAbs(dt.secsTo(wallClock)) < 120, qPrintable(dt.toString()));
        QCOMPARE(sqlca.SQLCode, before);

        // Disconnected, the query fails: no time, and still the status as it was.
        QCOMPARE(sqlca.disconnect(), 0);
        sqlca.SQLCode = 100;
        QVERIFY(t_f_getsvrdt(sqlca).isNull());
        QCOMPARE(sqlca.SQLCode, 100L);
    }
};

QTEST_GUILESS_MAIN(TestSqlServices)
#include "tst_sqlservices.moc"
