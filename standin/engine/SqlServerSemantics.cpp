#include "standin/engine/SqlServerSemantics.h"

#include <algorithm>
#include <string>

namespace standin {

namespace {

unsigned char fold(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

// Compares as if the shorter text were padded with blanks to the longer one's length.
int comparePadded(void* caseInsensitive, int lengthA, const void* a, int lengthB, const void* b) {
    const auto* x = static_cast<const unsigned char*>(a);
    const auto* y = static_cast<const unsigned char*>(b);
    const int n = std::max(lengthA, lengthB);
    for (int i = 0; i < n; ++i) {
        unsigned char cx = i < lengthA ? x[i] : ' ';
        unsigned char cy = i < lengthB ? y[i] : ' ';
        if (caseInsensitive) {
            cx = fold(cx);
            cy = fold(cy);
        }
        if (cx != cy)
            return cx < cy ? -1 : 1;
    }
    return 0;
}

// Two texts join; otherwise both sides must be numbers (a numeric text converts), and NULL
// on either side gives NULL, as with CONCAT_NULL_YIELDS_NULL ON.
void plusFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    sqlite3_value* a = argv[0];
    sqlite3_value* b = argv[1];
    if (sqlite3_value_type(a) == SQLITE_NULL || sqlite3_value_type(b) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    if (sqlite3_value_type(a) == SQLITE_TEXT && sqlite3_value_type(b) == SQLITE_TEXT) {
        std::string joined(reinterpret_cast<const char*>(sqlite3_value_text(a)),
                           sqlite3_value_bytes(a));
        joined.append(reinterpret_cast<const char*>(sqlite3_value_text(b)), sqlite3_value_bytes(b));
        sqlite3_result_text(ctx, joined.data(), static_cast<int>(joined.size()), SQLITE_TRANSIENT);
        return;
    }
    for (sqlite3_value* v : {a, b}) {
        const int type = sqlite3_value_numeric_type(v);
        if (type != SQLITE_INTEGER && type != SQLITE_FLOAT) {
            const std::string message =
                std::string(SqlServerSemantics::kNotANumberPrefix) +
                std::string(reinterpret_cast<const char*>(sqlite3_value_text(v)),
                            sqlite3_value_bytes(v));
            sqlite3_result_error(ctx, message.c_str(), static_cast<int>(message.size()));
            return;
        }
    }
    sqlite3_int64 sum = 0;
    if (sqlite3_value_type(a) == SQLITE_INTEGER && sqlite3_value_type(b) == SQLITE_INTEGER &&
        !__builtin_add_overflow(sqlite3_value_int64(a), sqlite3_value_int64(b), &sum)) {
        sqlite3_result_int64(ctx, sum);
        return;
    }
    sqlite3_result_double(ctx, sqlite3_value_double(a) + sqlite3_value_double(b));
}

} // namespace

void SqlServerSemantics::install(sqlite3* db) {
    static int caseInsensitive = 1;
    sqlite3_create_collation(db, kCollation, SQLITE_UTF8, &caseInsensitive, comparePadded);
    sqlite3_create_collation(db, kCaseSensitiveCollation, SQLITE_UTF8, nullptr, comparePadded);
    sqlite3_create_function(db, kPlusFunction, 2,
                            SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                            plusFunction, nullptr, nullptr);
    // A double-quoted or bracketed name that names nothing is an error (207), never the
    // string literal SQLite would otherwise fall back to.
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
}

} // namespace standin
