#include "services/sql/BlockingCall.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSemaphore>
#include <QThread>
#include <QTimer>
#include <QWheelEvent>
#include <QtTest>

#include <atomic>

namespace {

// Counts the input events that reach it.
class InputCounter : public QObject {
  public:
    int count = 0;

  protected:
    bool event(QEvent* e) override {
        switch (e->type()) {
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::Wheel:
        case QEvent::InputMethod:
            ++count;
            return true;
        default:
            return QObject::event(e);
        }
    }
};

std::unique_ptr<QEvent> makeInput(const QString& kind) {
    if (kind == u"key")
        return std::make_unique<QKeyEvent>(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    if (kind == u"mouse")
        return std::make_unique<QMouseEvent>(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5),
                                             Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    if (kind == u"input method") { // how Chinese is typed: no key event carries the text
        auto commit = std::make_unique<QInputMethodEvent>();
        commit->setCommitString(QStringLiteral("维尔特"));
        return commit;
    }
    return std::make_unique<QWheelEvent>(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, 120),
                                         Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
}

} // namespace

class TestBlockingCall : public QObject {
    Q_OBJECT
  private slots:
    void workRunsOffTheUiThreadWhileTheLoopKeepsRunning() {
        std::atomic<bool> release{false};
        QThread* workThread = nullptr;
        int ticks = 0;
        QTimer timer;
        timer.setInterval(10);
        QThread* nestedThread = nullptr;
        BlockingCall calls;
        connect(&timer, &QTimer::timeout, this, [&] {
            // A call made meanwhile runs at once, without a second worker beside the first.
            if (++ticks == 1)
                calls.run([&] { nestedThread = QThread::currentThread(); });
            // Ends the call only after the UI thread has served several timer ticks.
            if (ticks == 5)
                release = true;
        });
        timer.start();
        bool waitingDuringCall = false;
        calls.run([&] {
            workThread = QThread::currentThread();
            waitingDuringCall = calls.isWaiting();
            for (int i = 0; i < 1000 && !release; ++i)
                QThread::msleep(5);
        });
        QVERIFY(release);
        QVERIFY(workThread != QThread::currentThread());
        QVERIFY(waitingDuringCall);
        QVERIFY(!calls.isWaiting());
        QCOMPARE(nestedThread, QThread::currentThread());
    }

    void userInputIsSwallowedWhileWaiting_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("key") << "key";
        QTest::newRow("mouse") << "mouse";
        QTest::newRow("wheel") << "wheel";
        QTest::newRow("input method") << "input method";
    }
    void userInputIsSwallowedWhileWaiting() {
        QFETCH(QString, kind);
        InputCounter target;
        QSemaphore delivered;
        QTimer::singleShot(0, this, [&] {
            auto input = makeInput(kind);
            QCoreApplication::sendEvent(&target, input.get());
            delivered.release();
        });
        bool sentDuringCall = false;
        BlockingCall calls;
        calls.run([&] { sentDuringCall = delivered.tryAcquire(1, 5000); });
        QVERIFY(sentDuringCall);
        QCOMPARE(target.count, 0);

        // Once the call has returned, input reaches its target again.
        auto input = makeInput(kind);
        QCoreApplication::sendEvent(&target, input.get());
        QCOMPARE(target.count, 1);
    }

    void offTheApplicationThreadRunsInline() {
        QThread* caller = nullptr;
        QThread* worker = nullptr;
        BlockingCall calls;
        std::unique_ptr<QThread> thread(QThread::create([&] {
            caller = QThread::currentThread();
            calls.run([&] { worker = QThread::currentThread(); });
        }));
        thread->start();
        QVERIFY(thread->wait(5000));
        QVERIFY(caller != nullptr);
        QCOMPARE(worker, caller);
    }
};

QTEST_MAIN(TestBlockingCall)
#include "tst_blockingcall.moc"
