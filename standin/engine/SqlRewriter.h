#pragma once

#include "standin/engine/Tokenizer.h"

#include <string>
#include <vector>

namespace standin {

// Turns the tokens of one T-SQL statement into SQLite text: N'...' and [name] literals,
// three-part names (master.dbo.x, db..x) as attached schemas, @@ variables as constants,
// TOP n as LIMIT, "+" as standin_plus, and the few functions whose names differ.
class SqlRewriter {
  public:
    struct Context {
        std::string currentDatabase;
        int tranCount = 0;
        int spid = 51;
        long long rowCount = 0;
        int lastError = 0;
    };

    // Other databases the statement names are added to databases (schema name = database name).
    static std::string rewrite(const std::vector<Token>& tokens, std::size_t from, std::size_t to,
                               const Context& context, std::vector<std::string>& databases);
    static std::string quoteName(const std::string& name);
    static std::string quoteString(const std::string& text);
    static std::string version();
};

} // namespace standin
