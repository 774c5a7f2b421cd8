#include "BlockingCall.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QFutureWatcher>
#include <QThread>
#include <QVariant>
#include <QtConcurrent/QtConcurrentRun>

namespace {

// Kept on the application object, so the guard lives exactly as long as the application.
const char* const kWaitingProperty = "varnosetBlockingCallWaiting";

class InputBlocker : public QObject {
  public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::TabletMove:
        case QEvent::NativeGesture:
            return true;
        case QEvent::Close:
            // The user closing a window; a close the program itself asks for still happens.
            if (event->spontaneous()) {
                event->ignore();
                return true;
            }
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

bool BlockingCall::isWaiting() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app && app->property(kWaitingProperty).toBool();
}

void BlockingCall::run(const std::function<void()>& work) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread() || isWaiting()) {
        work();
        return;
    }
    InputBlocker blocker;
    app->installEventFilter(&blocker);
    app->setProperty(kWaitingProperty, true);

    QEventLoop loop;
    QFutureWatcher<void> watcher;
    QObject::connect(&watcher, &QFutureWatcher<void>::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(QtConcurrent::run(work));
    if (!watcher.isFinished())
        loop.exec();
    watcher.waitForFinished();

    app->setProperty(kWaitingProperty, false);
    app->removeEventFilter(&blocker);
}
