#include "services/RecordingPromptService.h"
#include "services/Runtime.h"

#include <QTcpServer>
#include <QtTest>

class TestRuntime : public QObject {
    Q_OBJECT

  private slots:
    void todayIsTheClockUnlessFixed() {
        Platform platform;
        const QDate before = QDate::currentDate();
        const QDate read = platform.today();
        QVERIFY(read == before || read == QDate::currentDate()); // midnight may pass between
        platform.setToday(QDate(2024, 2, 29));
        QCOMPARE(platform.today(), QDate(2024, 2, 29));
        platform.setToday(QDate());
        QVERIFY(platform.today() >= before);
    }

    // The context's transaction runs its long calls through the context's BlockingCall, so
    // every page can tell whether one is in flight.
    void sqlcaCallsThroughTheContextsBlockingCall() {
        QTcpServer silent; // accepts the connection, never answers the login
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        RecordingPromptService prompts;
        Runtime runtime(prompts);
        runtime.sqlca.DBMS = QStringLiteral("MSS Microsoft SQL Server 7.x");
        runtime.sqlca.ServerName = QStringLiteral("127.0.0.1,%1").arg(silent.serverPort());
        runtime.sqlca.LogId = QStringLiteral("sa");
        runtime.sqlca.DBParm = QStringLiteral("LoginTimeout='1'");
        bool waiting = false;
        QTimer::singleShot(50, this, [&] { waiting = runtime.blocking.isWaiting(); });
        QCOMPARE(runtime.sqlca.connect(), -1);
        QVERIFY(waiting);
        QVERIFY(!runtime.blocking.isWaiting());
        QVERIFY(prompts.prompts.isEmpty());
    }
};

QTEST_MAIN(TestRuntime)
#include "tst_runtime.moc"
