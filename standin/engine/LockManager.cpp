#include "standin/engine/LockManager.h"

#include <algorithm>
#include <chrono>

namespace standin {

namespace {

// How often a waiter looks at its client (a cancel, a closed socket) between releases.
constexpr std::chrono::milliseconds kPollInterval(20);

} // namespace

bool LockManager::conflicts(Owner owner, const Request& request) const {
    for (const auto& [name, tables] : request.writes) {
        const auto d = m_databases.find(name);
        if (d != m_databases.end() && d->second.writer != 0 && d->second.writer != owner)
            return true;
    }
    for (const auto& [name, tables] : request.reads) {
        const auto d = m_databases.find(name);
        if (d == m_databases.end() || d->second.writer == 0 || d->second.writer == owner)
            continue;
        for (const std::string& t : tables)
            if (d->second.tables.count(t))
                return true;
    }
    return false;
}

LockManager::Result LockManager::acquire(Owner owner, const Request& request, int timeoutMs,
                                         const std::function<bool()>& interrupted) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        if (!conflicts(owner, request)) {
            for (const auto& [name, tables] : request.writes) {
                Database& d = m_databases[name];
                d.writer = owner;
                d.tables.insert(tables.begin(), tables.end());
            }
            return Result::Granted;
        }
        Clock::duration slice = kPollInterval;
        if (timeoutMs >= 0) {
            const Clock::time_point now = Clock::now();
            if (now >= deadline)
                return Result::TimedOut;
            slice = std::min<Clock::duration>(slice, deadline - now);
        }
        m_released.wait_for(lock, slice);
        lock.unlock();
        const bool stop = interrupted && interrupted();
        lock.lock();
        if (stop)
            return Result::Interrupted;
    }
}

void LockManager::release(Owner owner) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        bool any = false;
        for (auto it = m_databases.begin(); it != m_databases.end();) {
            if (it->second.writer == owner) {
                it = m_databases.erase(it);
                any = true;
            } else {
                ++it;
            }
        }
        if (!any)
            return;
    }
    m_released.notify_all();
}

} // namespace standin
