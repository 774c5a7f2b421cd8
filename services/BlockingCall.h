#pragma once

#include <functional>

// Runs one long call (a connect, a restore) on a worker thread while the calling UI thread
// waits in a local event loop, so a progress popup keeps painting and animating. User input
// to the application is swallowed meanwhile, so nothing can start a second call. To the
// caller it is one blocking call. Without a QCoreApplication, off its thread, or while
// another call is already waiting, the work runs inline.
class BlockingCall {
  public:
    static void run(const std::function<void()>& work);

    // True while the UI thread waits for a call.
    static bool isWaiting();
};
