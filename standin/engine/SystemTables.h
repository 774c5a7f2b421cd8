#pragma once

#include <sqlite3.h>

#include <string>

namespace standin {

// sysobjects, the one system table every database has: a row per system table, per user
// table and per primary key (whose name SQL Server shows in duplicate-key errors).
class SystemTables {
  public:
    static bool create(sqlite3* db, std::string& error);
    static bool addTable(sqlite3* db, const std::string& schemaPrefix, const std::string& table,
                         const std::string& primaryKeyName, std::string& error);
    static bool dropTable(sqlite3* db, const std::string& schemaPrefix, const std::string& table,
                          std::string& error);
    // The primary key constraint of a table, empty when it has none.
    static std::string primaryKeyName(sqlite3* db, const std::string& schemaPrefix,
                                      const std::string& table);
};

} // namespace standin
