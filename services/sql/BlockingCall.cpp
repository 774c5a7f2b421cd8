#include "services/sql/BlockingCall.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <QWindow>

#include <atomic>
#include <memory>
#include <thread>

#include <sys/eventfd.h>
#include <unistd.h>

// Swallows user input while a call waits and turns the user's close into a request to quit.
class BlockingCallInputBlocker : public QObject {
  public:
    explicit BlockingCallInputBlocker(BlockingCall& owner) : m_owner(owner) {}

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
        // Text an input method commits (how Chinese is typed) is input as much as a key.
        case QEvent::InputMethod:
            return true;
        case QEvent::Close:
            // The user closing a window (close box, Alt+F4); a close the program itself asks
            // for still happens. The window goes only once the call is over.
            if (event->spontaneous()) {
                m_owner.userClose(topLevelOf(watched));
                event->ignore();
                return true;
            }
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    // The platform's close reaches the window before its widget, so the window is known.
    static QWindow* topLevelOf(QObject* watched) {
        return watched->isWindowType() ? static_cast<QWindow*>(watched) : nullptr;
    }

    BlockingCall& m_owner;
};

namespace {

// What the UI thread and the worker share; the worker may outlive the wait.
struct CallState {
    CallState() : fd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~CallState() {
        if (fd >= 0)
            close(fd);
    }
    CallState(const CallState&) = delete;
    CallState& operator=(const CallState&) = delete;

    const int fd;
    std::function<void()> work;
    std::atomic<bool> done{false};
};

} // namespace

bool BlockingCall::userClose(QWindow* window) {
    if (!m_closable)
        return false;
    if (!m_quitRequested) {
        m_quitRequested = true;
        m_closeTarget = window;
        if (m_onQuit)
            m_onQuit();
    }
    if (!m_cancelAsked) {
        m_cancelAsked = true;
        // A driver's cancel may itself wait on the network: never on the UI thread.
        if (m_cancel)
            std::thread(m_cancel).detach();
        if (m_abandonSoon)
            m_abandonSoon();
    }
    return true;
}

BlockingCall::Outcome BlockingCall::run(std::function<void()> work, const Options& options) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread() || m_waiting) {
        work();
        return Outcome::Finished;
    }

    auto state = std::make_shared<CallState>();
    if (state->fd < 0) {
        work();
        return Outcome::Finished;
    }
    state->work = std::move(work);

    m_waiting = true;
    m_closable = options.closable;
    m_cancel = options.cancel;
    m_cancelAsked = false;
    BlockingCallInputBlocker blocker(*this);
    app->installEventFilter(&blocker);

    std::thread([state] {
        state->work();
        state->work = nullptr; // what the work owns goes on this thread, abandoned or not
        state->done.store(true, std::memory_order_release);
        const quint64 one = 1;
        [[maybe_unused]] const ssize_t written = write(state->fd, &one, sizeof one);
    }).detach();

    QEventLoop loop;
    bool abandoned = false;
    const auto abandon = [&] {
        if (!state->done.load(std::memory_order_acquire))
            abandoned = true;
        loop.quit();
    };
    QSocketNotifier finished(state->fd, QSocketNotifier::Read);
    QObject::connect(&finished, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, abandon);
    if (options.limit.count() > 0)
        deadline.start(options.limit);
    QTimer grace;
    grace.setSingleShot(true);
    QObject::connect(&grace, &QTimer::timeout, &loop, abandon);
    m_abandonSoon = [&] { grace.start(kCancelGrace); };
    if (m_quitRequested) // a call made while the program ends gets no longer than a cancelled one
        grace.start(kCancelGrace);
    bool busyPointer = false;
    QTimer busy;
    busy.setSingleShot(true);
    QObject::connect(&busy, &QTimer::timeout, &loop, [&] {
        if (qobject_cast<QGuiApplication*>(app) == nullptr)
            return;
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        busyPointer = true;
    });
    busy.start(kBusyPointerDelay);

    if (!state->done.load(std::memory_order_acquire))
        loop.exec();

    if (busyPointer)
        QGuiApplication::restoreOverrideCursor();
    m_abandonSoon = nullptr;
    m_cancel = nullptr;
    app->removeEventFilter(&blocker);
    m_waiting = false;
    m_closable = true;

    if (m_quitRequested && m_closeTarget) {
        // Closed as the user asked, once the handler that made the call has returned to the
        // event loop and no call waits any more.
        // A functor, not the member: a widget's window fails the member call's type check.
        QWindow* target = m_closeTarget;
        QMetaObject::invokeMethod(
            target, [target] { target->close(); }, Qt::QueuedConnection);
        m_closeTarget = nullptr;
    }
    return abandoned ? Outcome::Abandoned : Outcome::Finished;
}
