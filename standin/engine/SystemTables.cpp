#include "standin/engine/SystemTables.h"

#include "standin/engine/SqliteConnection.h"

namespace standin {

namespace {

const char* kSystemRows[][2] = {
    {"sysobjects", "1"},     {"sysindexes", "2"},         {"syscolumns", "3"},
    {"systypes", "4"},       {"syscomments", "6"},        {"sysfiles1", "8"},
    {"syspermissions", "9"}, {"sysusers", "10"},          {"sysproperties", "11"},
    {"sysdepends", "12"},    {"sysreferences", "14"},     {"sysfulltextcatalogs", "19"},
    {"sysindexkeys", "24"},  {"sysforeignkeys", "25"},    {"sysmembers", "26"},
    {"sysprotects", "27"},   {"sysfulltextnotify", "28"}, {"sysfilegroups", "96"},
    {"sysfiles", "97"},
};

bool run(sqlite3* db, const std::string& sql, const std::string& a, const std::string& b,
         std::string& error) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
        error = sqlite3_errmsg(db);
        return false;
    }
    sqlite3_bind_text(st, 1, a.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 2, b.c_str(), -1, SQLITE_TRANSIENT);
    const std::string now = SqliteConnection::now();
    if (sqlite3_bind_parameter_count(st) >= 3)
        sqlite3_bind_text(st, 3, now.c_str(), -1, SQLITE_TRANSIENT);
    const int rc = sqlite3_step(st);
    if (rc != SQLITE_DONE)
        error = sqlite3_errmsg(db);
    sqlite3_finalize(st);
    return rc == SQLITE_DONE;
}

} // namespace

bool SystemTables::create(sqlite3* db, std::string& error) {
    if (!SqliteConnection::exec(db,
                                "CREATE TABLE sysobjects (name nvarchar(128) COLLATE NOCASE NOT "
                                "NULL, id int NOT NULL PRIMARY KEY, xtype char(2) NOT NULL, uid "
                                "smallint, parent_obj int, crdate datetime, type char(2))",
                                error))
        return false;
    for (const auto& row : kSystemRows)
        if (!run(db,
                 "INSERT INTO sysobjects (name, id, xtype, uid, parent_obj, crdate, type) "
                 "VALUES (?1, ?2, 'S', 1, 0, ?3, 'S')",
                 row[0], row[1], error))
            return false;
    return true;
}

bool SystemTables::addTable(sqlite3* db, const std::string& prefix, const std::string& table,
                            const std::string& primaryKeyName, std::string& error) {
    const std::string t = prefix + "sysobjects";
    // Ids of user objects start high, as on SQL Server.
    const std::string nextId = "(SELECT max(max(id), 1977058000) + 16 FROM " + t + ")";
    if (!run(db,
             "INSERT INTO " + t +
                 " (name, id, xtype, uid, parent_obj, crdate, type) VALUES "
                 "(?1, " +
                 nextId + ", 'U', 1, 0, ?3, 'U')",
             table, "", error))
        return false;
    if (primaryKeyName.empty())
        return true;
    return run(db,
               "INSERT INTO " + t +
                   " (name, id, xtype, uid, parent_obj, crdate, type) VALUES "
                   "(?2, " +
                   nextId + ", 'PK', 1, (SELECT id FROM " + t +
                   " WHERE name = ?1 AND xtype = 'U'), ?3, 'K')",
               table, primaryKeyName, error);
}

bool SystemTables::dropTable(sqlite3* db, const std::string& prefix, const std::string& table,
                             std::string& error) {
    const std::string t = prefix + "sysobjects";
    return run(db,
               "DELETE FROM " + t + " WHERE parent_obj = (SELECT id FROM " + t +
                   " WHERE name = ?1 AND xtype = 'U') OR (name = ?1 AND xtype = 'U')",
               table, "", error);
}

std::string SystemTables::primaryKeyName(sqlite3* db, const std::string& prefix,
                                         const std::string& table) {
    const std::string t = prefix + "sysobjects";
    const std::string sql = "SELECT name FROM " + t +
                            " WHERE xtype = 'PK' AND parent_obj = "
                            "(SELECT id FROM " +
                            t + " WHERE name = ?1 AND xtype = 'U')";
    sqlite3_stmt* st = nullptr;
    std::string name;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK) {
        sqlite3_bind_text(st, 1, table.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(st) == SQLITE_ROW && sqlite3_column_text(st, 0))
            name = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
    }
    sqlite3_finalize(st);
    return name;
}

} // namespace standin
