#pragma once

#include "standin/engine/EngineTypes.h"
#include "standin/engine/SqlRewriter.h"

#include <string>
#include <vector>

namespace standin {

// CREATE TABLE with SQL Server's types: keeps each declared type verbatim, makes text columns
// compare as the server's collation does (without regard to case or trailing blanks) and adds a
// width check per text column, so an overlong value fails as on SQL Server (8152).
class CreateTableRewriter {
  public:
    struct Result {
        std::string sql;
        std::string schemaPrefix; // "" or "\"db\"." for a table in another database
        std::string table;
        std::string primaryKey;            // constraint name, generated when the script gave none
        std::vector<std::string> triggers; // keep DATETIME columns in one text form
    };
    static constexpr const char* kWidthCheckPrefix = "standin_width_";

    static bool rewrite(const std::vector<Token>& tokens, const SqlRewriter::Context& context,
                        std::vector<std::string>& databases, Result& result, Message& error);
};

} // namespace standin
