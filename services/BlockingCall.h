#pragma once

#include <functional>

// Runs one long call (a connect, a restore) on a worker thread while the calling UI thread
// waits in a local event loop, so a progress popup keeps painting and animating. User input
// to the application (keys, mouse, text an input method commits) is swallowed meanwhile, so
// nothing can start a second call. To the caller it is one blocking call. Without a
// QCoreApplication, off its thread, or while this object already waits for a call, the work
// runs inline. The runtime context owns one; every transaction it holds calls through it.
class BlockingCall {
  public:
    BlockingCall() = default;
    BlockingCall(const BlockingCall&) = delete;
    BlockingCall& operator=(const BlockingCall&) = delete;

    void run(const std::function<void()>& work);

    // True while the UI thread waits for a call of this object.
    bool isWaiting() const { return m_waiting; }

  private:
    bool m_waiting = false;
};
