#pragma once

#include "standin/engine/EngineTypes.h"
#include "standin/engine/Tokenizer.h"

#include <optional>
#include <string>
#include <vector>

namespace standin {

// What the select list says about each result column that SQLite cannot tell: the name
// SQL Server gives an expression (none without an alias) and the type of getdate(),
// count(...), literals and @@ variables.
class SelectShape {
  public:
    struct Item {
        bool isColumn = false; // a plain column reference
        std::optional<std::string> alias;
        std::optional<ColumnInfo> type; // known from the expression
    };

    // Empty when the statement is not a SELECT or its list has "*" or "t.*".
    static std::vector<Item> parse(const std::vector<Token>& tokens);
};

} // namespace standin
