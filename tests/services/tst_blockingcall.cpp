#include "services/sql/BlockingCall.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
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
        connect(&timer, &QTimer::timeout, this, [&] {
            // Ends the call only after the UI thread has served several timer ticks.
            if (++ticks == 5)
                release = true;
        });
        timer.start();
        BlockingCall calls;
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
    }

    void userInputIsSwallowedWhileWaiting_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("key") << "key";
        QTest::newRow("mouse") << "mouse";
        QTest::newRow("wheel") << "wheel";
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

    // How Chinese is typed: the input method commits the text, no key event carries it.
    void textFromAnInputMethodIsSwallowedWhileWaiting() {
        QLineEdit field;
        field.show();
        QApplication::setActiveWindow(&field);
        field.setFocus();
        QVERIFY(QTest::qWaitForWindowActive(&field));
        const auto commit = [&field] {
            QInputMethodEvent event;
            event.setCommitString(QStringLiteral("维尔特"));
            QCoreApplication::sendEvent(&field, &event);
        };
        QSemaphore delivered;
        QTimer::singleShot(0, this, [&] {
            commit();
            delivered.release();
        });
        bool sentDuringCall = false;
        BlockingCall calls;
        calls.run([&] { sentDuringCall = delivered.tryAcquire(1, 5000); });
        QVERIFY(sentDuringCall);
        QCOMPARE(field.text(), QString());

        commit();
        QCOMPARE(field.text(), QStringLiteral("维尔特"));
    }

    void nestedCallRunsInline() {
        QThread* outer = nullptr;
        QThread* inner = nullptr;
        QSemaphore innerDone;
        BlockingCall calls;
        QTimer::singleShot(0, this, [&] {
            calls.run([&] { inner = QThread::currentThread(); });
            innerDone.release();
        });
        bool innerRanDuringCall = false;
        calls.run([&] {
            outer = QThread::currentThread();
            innerRanDuringCall = innerDone.tryAcquire(1, 5000);
        });
        QVERIFY(innerRanDuringCall);
        // The nested call did not start a second worker beside the first.
        QCOMPARE(inner, QThread::currentThread());
        QVERIFY(outer != QThread::currentThread());
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
