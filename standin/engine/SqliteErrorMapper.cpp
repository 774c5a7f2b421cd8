#include "standin/engine/SqliteErrorMapper.h"

#include "standin/engine/CreateTableRewriter.h"
#include "standin/engine/Errors.h"
#include "standin/engine/SqlServerSemantics.h"
#include "standin/engine/SqliteConnection.h"
#include "standin/engine/SystemTables.h"
#include "standin/engine/Tokenizer.h"

namespace standin {

namespace {

bool startsWith(const std::string& s, const std::string& p) {
    return s.rfind(p, 0) == 0;
}

std::string afterLastDot(const std::string& s) {
    const std::size_t dot = s.rfind('.');
    return dot == std::string::npos ? s : s.substr(dot + 1);
}

// "t.c" -> "t"; "db.t.c" -> "db.t"
std::string tableOf(const std::string& s) {
    const std::size_t dot = s.rfind('.');
    return dot == std::string::npos ? s : s.substr(0, dot);
}

} // namespace

bool SqliteErrorMapper::isKeyword(const std::string& word) {
    static const char* keywords[] = {
        "ADD",    "ALL",        "ALTER",   "AND",     "ANY",      "AS",          "ASC",
        "BACKUP", "BEGIN",      "BETWEEN", "BY",      "CASE",     "CHECK",       "COLUMN",
        "COMMIT", "CONSTRAINT", "CREATE",  "CROSS",   "DATABASE", "DEFAULT",     "DELETE",
        "DESC",   "DISTINCT",   "DROP",    "ELSE",    "END",      "EXEC",        "EXECUTE",
        "EXISTS", "FOREIGN",    "FROM",    "FULL",    "GROUP",    "HAVING",      "IF",
        "IN",     "INDEX",      "INNER",   "INSERT",  "INTO",     "IS",          "JOIN",
        "KEY",    "LEFT",       "LIKE",    "NOT",     "NULL",     "ON",          "OR",
        "ORDER",  "OUTER",      "PRIMARY", "RESTORE", "RIGHT",    "ROLLBACK",    "SELECT",
        "SET",    "TABLE",      "THEN",    "TOP",     "TRAN",     "TRANSACTION", "UNION",
        "UNIQUE", "UPDATE",     "USE",     "VALUES",  "WHEN",     "WHERE",       "WITH"};
    const std::string u = Tokenizer::upper(word);
    for (const char* k : keywords)
        if (u == k)
            return true;
    return false;
}

std::vector<Message> SqliteErrorMapper::map(sqlite3* db, int rc, const std::string& kind,
                                            const std::string& lastToken) {
    const std::string msg = sqlite3_errmsg(db);
    const int primary = rc & 0xFF;
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
        return {Errors::make(1222)};
    if (msg.find(SqliteConnection::kDateTimeError) != std::string::npos)
        return {Errors::make(241)};
    if (msg.find(SqliteConnection::kDateTimeRangeError) != std::string::npos)
        return {Errors::make(242), Errors::make(3621)};
    if (startsWith(msg, SqlServerSemantics::kNotANumberPrefix))
        return {Errors::make(
            245, {msg.substr(std::string(SqlServerSemantics::kNotANumberPrefix).size())})};
    if (startsWith(msg, "no such table: ")) {
        std::string name = msg.substr(15);
        if (startsWith(name, "main."))
            name = name.substr(5);
        return {Errors::make(208, {name})};
    }
    if (startsWith(msg, "no such column: "))
        return {Errors::make(207, {afterLastDot(msg.substr(16))})};
    if (startsWith(msg, "no such function: "))
        return {Errors::make(195, {msg.substr(18)})};
    if (startsWith(msg, "near \"")) {
        const std::string near = msg.substr(6, msg.find('"', 6) - 6);
        return {Errors::make(isKeyword(near) ? 156 : 102, {near})};
    }
    if (msg == "incomplete input")
        return {Errors::make(isKeyword(lastToken) ? 156 : 102, {lastToken})};
    if (startsWith(msg, "table ") && msg.find(" already exists") != std::string::npos) {
        std::string name = msg.substr(6, msg.find(" already exists") - 6);
        if (name.size() >= 2 && name.front() == '"')
            name = name.substr(1, name.size() - 2);
        return {Errors::make(2714, {name})};
    }
    if (startsWith(msg, "CHECK constraint failed: ") &&
        msg.find(CreateTableRewriter::kWidthCheckPrefix) != std::string::npos)
        return {Errors::make(8152), Errors::make(3621)};
    if (startsWith(msg, "UNIQUE constraint failed: ")) {
        // "t.a, t.b": the table is the same for all columns.
        std::string cols = msg.substr(26);
        std::string first = cols.substr(0, cols.find(','));
        std::string qualifiedTable = tableOf(first);
        std::string table = afterLastDot(qualifiedTable);
        std::string prefix =
            qualifiedTable.size() > table.size()
                ? "\"" + qualifiedTable.substr(0, qualifiedTable.size() - table.size() - 1) + "\"."
                : "";
        const std::string pk = SystemTables::primaryKeyName(db, prefix, table);
        if (!pk.empty())
            return {Errors::make(2627, {pk, table}), Errors::make(3621)};
        return {Errors::make(2601, {table, "UQ_" + table}), Errors::make(3621)};
    }
    if (startsWith(msg, "NOT NULL constraint failed: ")) {
        const std::string col = msg.substr(28);
        return {Errors::make(515, {afterLastDot(col), afterLastDot(tableOf(col)), kind}),
                Errors::make(3621)};
    }
    Message m = Errors::make(50000, {msg});
    m.number = 50000;
    return {m};
}

} // namespace standin
