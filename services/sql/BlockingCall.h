#pragma once

#include <QPointer>

#include <chrono>
#include <functional>

class QWindow;

// Runs one call that waits for the server on a thread of its own while the calling UI thread
// waits in a local event loop, so the window keeps painting and a progress popup animating. To
// the caller it is one blocking call. User input (keys, mouse, text an input method commits)
// is swallowed meanwhile, so nothing can start a second call; after 300 ms the pointer shows
// that the tool waits. Every wait has an end: past its limit, or soon after the user closed a
// window and the call was asked to cancel, the call is abandoned and left to finish on its
// own. Without a QCoreApplication, off its thread, or while this object already waits for a
// call, the work runs inline. The runtime context owns one; every transaction calls through it.
class BlockingCall {
  public:
    struct Options {
        // How long the UI thread waits at most; zero waits as long as the work takes.
        std::chrono::milliseconds limit{0};
        // False while a close would do harm (a cancelled restore leaves the database unusable):
        // the user's close is then refused.
        bool closable = true;
        // Asks the work to end early; called off the UI thread after the user's close.
        std::function<void()> cancel;
    };
    enum class Outcome { Finished, Abandoned };

    BlockingCall() = default;
    BlockingCall(const BlockingCall&) = delete;
    BlockingCall& operator=(const BlockingCall&) = delete;

    // work runs to its end even when abandoned, after run() has returned: it must own what it
    // touches (captures by value or shared pointer), except in calls that set no limit and no
    // cancel and so are never abandoned.
    Outcome run(std::function<void()> work, const Options& options);
    Outcome run(std::function<void()> work) { return run(std::move(work), Options()); }

    // True while the UI thread waits for a call of this object.
    bool isWaiting() const { return m_waiting; }

    // True once the user closed a window while a call waited: the program is ending, and the
    // window is closed as soon as that call is over.
    bool quitRequested() const { return m_quitRequested; }
    // Called once, on the UI thread, when the user's close is accepted.
    void setQuitHandler(std::function<void()> handler) { m_onQuit = std::move(handler); }

    // How long a cancelled call may take to end before it is abandoned.
    static constexpr std::chrono::milliseconds kCancelGrace{1000};
    static constexpr std::chrono::milliseconds kBusyPointerDelay{300};

  private:
    friend class BlockingCallInputBlocker;
    // The user closed window during the current wait; false refuses it.
    bool userClose(QWindow* window);

    bool m_waiting = false;
    bool m_closable = true;
    bool m_quitRequested = false;
    bool m_cancelAsked = false;
    QPointer<QWindow> m_closeTarget;
    std::function<void()> m_cancel;
    std::function<void()> m_onQuit;
    std::function<void()> m_abandonSoon; // set while waiting: starts the grace period
};
