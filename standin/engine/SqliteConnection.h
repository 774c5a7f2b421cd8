#pragma once

#include <sqlite3.h>

#include <string>

namespace standin {

// Opening a database file the way every part of the engine needs it: WAL (readers never see
// uncommitted rows and do not block the writer), a busy timeout, and the functions T-SQL
// statements use (getdate(), the width checks of char columns).
class SqliteConnection {
  public:
    // Waits for other transactions are the LockManager's, which lets one session at a time
    // write a file; SQLite's own lock is met only for the moment a file is opened, recovered or
    // checkpointed, or the catalogue writes master.
    static constexpr int kBusyTimeoutMs = 1000;
    static constexpr const char* kDateTimeError = "standin: not a datetime";
    static constexpr const char* kDateTimeRangeError = "standin: datetime out of range";

    // nullptr with error set when the file cannot be opened (or, without create, is missing).
    static sqlite3* open(const std::string& path, bool create, std::string& error);
    static bool exec(sqlite3* db, const std::string& sql, std::string& error);
    static void close(sqlite3* db);
    // Server local time as "YYYY-MM-DD HH:MM:SS.mmm".
    static std::string now();
    // Length of a text as SQL Server's code page 936 stores it in char/varchar columns.
    static long ansiLength(const unsigned char* utf8, int bytes);
};

} // namespace standin
