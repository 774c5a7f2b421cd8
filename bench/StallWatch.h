#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMetaObject>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

// Measures how long the UI thread goes without handling an event: a watcher thread posts a
// probe every millisecond and notes how long each waited for the UI thread; the stall still
// open when the prompt comes counts too, so a freeze right up to the prompt is not missed.
class StallWatch {
  public:
    StallWatch() {
        m_clock.start();
        m_thread = std::thread([this] {
            while (!m_stop) {
                if (!m_pending.exchange(true)) {
                    const qint64 posted = m_clock.elapsed();
                    QMetaObject::invokeMethod(QCoreApplication::instance(), [this, posted] {
                        m_longest = std::max<qint64>(m_longest, m_clock.elapsed() - posted);
                        m_pending = false;
                    });
                    m_postedAt = posted;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
    }
    ~StallWatch() {
        m_stop = true;
        m_thread.join();
    }
    // The longest stall up to now, the open one included.
    qint64 longest() const {
        const qint64 open = m_pending ? m_clock.elapsed() - m_postedAt : 0;
        return std::max<qint64>(m_longest, open);
    }

  private:
    QElapsedTimer m_clock;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_pending{false};
    std::atomic<qint64> m_postedAt{0};
    std::atomic<qint64> m_longest{0};
};
