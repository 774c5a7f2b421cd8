#include "standin/engine/SqliteConnection.h"

#include "standin/engine/SqlServerSemantics.h"
#include "standin/engine/ValueConverter.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace standin {

namespace {

void getdateFunction(sqlite3_context* ctx, int, sqlite3_value**) {
    const std::string s = SqliteConnection::now();
    sqlite3_result_text(ctx, s.c_str(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

void ansiLengthFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const unsigned char* text = sqlite3_value_text(argv[0]);
    sqlite3_result_int64(ctx, SqliteConnection::ansiLength(text, sqlite3_value_bytes(argv[0])));
}

// DATETIME columns hold "YYYY-MM-DD HH:MM:SS.mmm" whatever form a statement wrote, so that
// comparisons and sorting work on the text.
void datetimeFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const int type = sqlite3_value_type(argv[0]);
    if (type == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    std::string normal;
    const unsigned char* text = sqlite3_value_text(argv[0]);
    bool outOfRange = false;
    // A DATETIME column has numeric affinity: '20080101' arrives as an integer.
    if ((type != SQLITE_TEXT && type != SQLITE_INTEGER) || !text ||
        !ValueConverter::normalizeDateTime(reinterpret_cast<const char*>(text), normal,
                                           &outOfRange)) {
        sqlite3_result_error(ctx,
                             outOfRange ? SqliteConnection::kDateTimeRangeError
                                        : SqliteConnection::kDateTimeError,
                             -1);
        return;
    }
    sqlite3_result_text(ctx, normal.c_str(), static_cast<int>(normal.size()), SQLITE_TRANSIENT);
}

} // namespace

std::string SqliteConnection::now() {
    using namespace std::chrono;
    const auto t = system_clock::now();
    const std::time_t secs = system_clock::to_time_t(t);
    const int ms =
        static_cast<int>(duration_cast<milliseconds>(t.time_since_epoch()).count() % 1000);
    std::tm tm{};
    localtime_r(&secs, &tm);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", tm.tm_year + 1900,
                  tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, ms);
    return buf;
}

long SqliteConnection::ansiLength(const unsigned char* s, int bytes) {
    long n = 0;
    for (int i = 0; i < bytes;) {
        const unsigned char c = s[i];
        int len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        n += c < 0x80 ? 1 : 2; // a double-byte character in code page 936
        i += len;
    }
    return n;
}

sqlite3* SqliteConnection::open(const std::string& path, bool create, std::string& error) {
    sqlite3* db = nullptr;
    const int flags =
        SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
        error = db ? sqlite3_errmsg(db) : "out of memory";
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    sqlite3_extended_result_codes(db, 1);
    sqlite3_create_function(db, "getdate", 0, SQLITE_UTF8, nullptr, getdateFunction, nullptr,
                            nullptr);
    sqlite3_create_function(db, "standin_ansi_len", 1,
                            SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                            ansiLengthFunction, nullptr, nullptr);
    sqlite3_create_function(db, "standin_datetime", 1,
                            SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                            datetimeFunction, nullptr, nullptr);
    SqlServerSemantics::install(db);
    std::string ignored;
    if (!exec(db, "PRAGMA journal_mode=WAL", error) ||
        !exec(db, "PRAGMA synchronous=NORMAL", ignored)) {
        sqlite3_close(db);
        return nullptr;
    }
    return db;
}

bool SqliteConnection::exec(sqlite3* db, const std::string& sql, std::string& error) {
    char* msg = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &msg) != SQLITE_OK) {
        error = msg ? msg : sqlite3_errmsg(db);
        sqlite3_free(msg);
        return false;
    }
    return true;
}

void SqliteConnection::close(sqlite3* db) {
    if (db)
        sqlite3_close_v2(db);
}

} // namespace standin
