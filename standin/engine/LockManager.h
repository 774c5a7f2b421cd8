#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>

namespace standin {

// The locks sessions hold on behalf of their transactions, server-wide. SQLite lets one
// connection write a database file at a time, so a write takes the database's single write
// lock, and with it a lock on each table it writes; both last until the writer's transaction
// ends. A reader waits only for a table another session has written; a writer waits for any
// other writer of that database. Waiting is done here, never in SQLite, so that the lock
// timeout, a cancel and a closed client end a wait at once.
class LockManager {
  public:
    using Owner = std::uint64_t;
    // Upper-case database name -> upper-case table names.
    using Tables = std::map<std::string, std::set<std::string>>;
    struct Request {
        Tables reads;
        Tables writes; // a database named here needs its write lock even with no table
        bool empty() const { return reads.empty() && writes.empty(); }
    };
    enum class Result { Granted, TimedOut, Interrupted };

    // Waits until no other owner holds what request needs, then takes its writes for owner.
    // timeoutMs < 0 waits as long as it takes, 0 not at all. interrupted is asked every few
    // milliseconds while waiting (outside the lock); true ends the wait.
    Result acquire(Owner owner, const Request& request, int timeoutMs,
                   const std::function<bool()>& interrupted);
    // Everything owner holds, at the end of its transaction.
    void release(Owner owner);

  private:
    struct Database {
        Owner writer = 0;
        std::set<std::string> tables; // written by writer
    };
    bool conflicts(Owner owner, const Request& request) const;

    mutable std::mutex m_mutex;
    std::condition_variable m_released;
    std::map<std::string, Database> m_databases;
};

} // namespace standin
