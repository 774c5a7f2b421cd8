#pragma once

#include "standin/engine/EngineTypes.h"

#include <sqlite3.h>

#include <string>
#include <vector>

namespace standin {

// Turns what SQLite reports into the messages SQL Server sends for the same fault.
class SqliteErrorMapper {
  public:
    // statementKind: "INSERT", "UPDATE", ... (for 515's text); lastToken: where a truncated
    // statement ended (SQL Server names it in 102).
    static std::vector<Message> map(sqlite3* db, int rc, const std::string& statementKind,
                                    const std::string& lastToken);
    static bool isKeyword(const std::string& word);
};

} // namespace standin
