#include "standin/engine/StatementSplitter.h"

namespace standin {

namespace {

bool startsStatement(const Token& t) {
    static const char* starters[] = {
        "SELECT", "INSERT",  "UPDATE",   "DELETE", "CREATE", "DROP",    "USE",   "SET",
        "BEGIN",  "COMMIT",  "ROLLBACK", "IF",     "BACKUP", "RESTORE", "ALTER", "TRUNCATE",
        "EXEC",   "EXECUTE", "DECLARE",  "PRINT",  "SAVE",   "GRANT",   "WHILE"};
    if (t.kind != Token::Kind::Word)
        return false;
    const std::string u = t.upper();
    for (const char* s : starters)
        if (u == s)
            return true;
    return false;
}

} // namespace

std::vector<Statement> StatementSplitter::split(const std::vector<Token>& tokens) {
    std::vector<Statement> out;
    Statement cur;
    int depth = 0;
    bool setSeen = false; // UPDATE ... SET belongs to the UPDATE
    auto flush = [&] {
        if (!cur.tokens.empty())
            out.push_back(std::move(cur));
        cur = Statement{};
        depth = 0;
        setSeen = false;
    };
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        if (t.isSymbol(";")) {
            flush();
            continue;
        }
        if (depth == 0 && !cur.tokens.empty() && startsStatement(t)) {
            const std::string first = cur.tokens.front().upper();
            const std::string u = t.upper();
            const Token& prev = cur.tokens.back();
            bool continues = false;
            if (u == "SET" && first == "UPDATE" && !setSeen) {
                continues = true;
                setSeen = true;
            } else if (u == "SELECT" &&
                       (prev.isWord("UNION") || prev.isWord("ALL") || prev.isWord("EXCEPT") ||
                        prev.isWord("INTERSECT") || first == "INSERT" || first == "GRANT")) {
                continues = true;
            } else if ((u == "INSERT" || u == "UPDATE" || u == "DELETE") && first == "GRANT") {
                continues = true;
            } else if (u == "DELETE" && prev.isWord("ON")) {
                continues = true; // ON DELETE CASCADE
            } else if (first == "BEGIN" && cur.tokens.size() == 1) {
                continues = false;
            }
            if (!continues) {
                if (first == "IF")
                    cur.isIf = true;
                flush();
            }
        }
        if (t.isSymbol("("))
            ++depth;
        else if (t.isSymbol(")") && depth > 0)
            --depth;
        cur.tokens.push_back(t);
    }
    if (!cur.tokens.empty() && cur.tokens.front().isWord("IF"))
        cur.isIf = true;
    flush();
    return out;
}

} // namespace standin
