#include "standin/engine/SelectShape.h"

namespace standin {

namespace {

ColumnInfo typed(SqlType type, int maxChars = 4000) {
    ColumnInfo c;
    c.type = type;
    c.maxChars = maxChars;
    return c;
}

SelectShape::Item classify(const std::vector<Token>& t, std::size_t b, std::size_t e) {
    SelectShape::Item item;
    if (e - b >= 2 && t[e - 1].isName() && t[e - 2].isWord("AS")) {
        item.alias = t[e - 1].text;
        e -= 2;
    } else if (e - b >= 2 && t[e - 1].isName() && !t[e - 2].isSymbol(".") &&
               (t[e - 2].kind != Token::Kind::Symbol || t[e - 2].isSymbol(")"))) {
        item.alias = t[e - 1].text;
        e -= 1;
    }
    const std::size_t n = e - b;
    if (n == 1 && t[b].isName()) {
        item.isColumn = true;
    } else if (n == 3 && t[b].isName() && t[b + 1].isSymbol(".") && t[b + 2].isName()) {
        item.isColumn = true;
    } else if (n == 1 && t[b].kind == Token::Kind::String) {
        const int len = static_cast<int>(t[b].text.size());
        item.type = typed(t[b].national ? SqlType::NVarChar : SqlType::VarChar, len > 0 ? len : 1);
    } else if (n == 1 && t[b].kind == Token::Kind::Number) {
        item.type = typed(t[b].text.find_first_of(".eE") == std::string::npos ? SqlType::Int
                                                                              : SqlType::Float);
    } else if (n == 1 && t[b].kind == Token::Kind::GlobalVariable) {
        const std::string u = t[b].upper();
        item.type = (u == "@@VERSION" || u == "@@SERVERNAME" || u == "@@LANGUAGE")
                        ? typed(SqlType::NVarChar, 256)
                        : typed(SqlType::Int);
    } else if (n >= 3 && t[b].kind == Token::Kind::Word && t[b + 1].isSymbol("(")) {
        const std::string f = t[b].upper();
        if (f == "GETDATE" || f == "GETUTCDATE")
            item.type = typed(SqlType::DateTime);
        else if (f == "COUNT" || f == "LEN" || f == "DATALENGTH")
            item.type = typed(SqlType::Int);
    }
    return item;
}

} // namespace

std::vector<SelectShape::Item> SelectShape::parse(const std::vector<Token>& t) {
    std::vector<Item> out;
    if (t.empty() || !t[0].isWord("SELECT"))
        return out;
    std::size_t i = 1;
    if (i < t.size() && (t[i].isWord("DISTINCT") || t[i].isWord("ALL")))
        ++i;
    if (i + 1 < t.size() && t[i].isWord("TOP"))
        i += 2;
    int depth = 0;
    std::size_t start = i;
    for (; i <= t.size(); ++i) {
        const bool end =
            i == t.size() ||
            (depth == 0 && (t[i].isWord("FROM") || t[i].isWord("INTO") || t[i].isWord("WHERE") ||
                            t[i].isWord("UNION") || t[i].isWord("ORDER")));
        if (end || (depth == 0 && t[i].isSymbol(","))) {
            if (start >= i)
                return {};
            // "*" or "t.*" stands for columns the list does not name; count(*) and a * b do not.
            if (t[i - 1].isSymbol("*") && (i - start == 1 || t[i - 2].isSymbol(".")))
                return {};
            out.push_back(classify(t, start, i));
            start = i + 1;
            if (end)
                break;
            continue;
        }
        if (t[i].isSymbol("("))
            ++depth;
        else if (t[i].isSymbol(")"))
            --depth;
    }
    return out;
}

} // namespace standin
