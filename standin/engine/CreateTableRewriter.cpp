#include "standin/engine/CreateTableRewriter.h"

#include "standin/engine/Errors.h"
#include "standin/engine/SqlServerSemantics.h"
#include "standin/engine/TypeMapper.h"

#include <chrono>
#include <cstdio>
#include <functional>

namespace standin {

namespace {

std::string generatedKeyName(const std::string& table) {
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    const unsigned hash =
        static_cast<unsigned>(std::hash<std::string>{}(table) ^ static_cast<unsigned>(ticks));
    char hex[16];
    std::snprintf(hex, sizeof hex, "%08X", hash);
    return "PK__" + table.substr(0, 16) + "__" + hex;
}

// Top-level comma-separated items between the parentheses at open..close (exclusive).
std::vector<std::pair<std::size_t, std::size_t>> items(const std::vector<Token>& t,
                                                       std::size_t open, std::size_t close) {
    std::vector<std::pair<std::size_t, std::size_t>> out;
    int depth = 0;
    std::size_t start = open + 1;
    for (std::size_t i = open + 1; i < close; ++i) {
        if (t[i].isSymbol("("))
            ++depth;
        else if (t[i].isSymbol(")"))
            --depth;
        else if (depth == 0 && t[i].isSymbol(",")) {
            out.emplace_back(start, i);
            start = i + 1;
        }
    }
    if (start < close)
        out.emplace_back(start, close);
    return out;
}

} // namespace

bool CreateTableRewriter::rewrite(const std::vector<Token>& t, const SqlRewriter::Context& context,
                                  std::vector<std::string>& databases, Result& r, Message& error) {
    Result& result = r;
    // CREATE TABLE name ( ... ) [ON filegroup] [TEXTIMAGE_ON filegroup]
    std::size_t open = 2;
    while (open < t.size() && !t[open].isSymbol("("))
        ++open;
    if (open >= t.size() || open == 2) {
        error = Errors::make(102, {open < t.size() ? t[open].text : t.back().text});
        return false;
    }
    const std::string qualified = SqlRewriter::rewrite(t, 2, open, context, databases);
    const Token& nameToken = t[open - 1];
    result.table = nameToken.text;
    result.schemaPrefix =
        qualified.substr(0, qualified.size() - (nameToken.kind == Token::Kind::QuotedName
                                                    ? SqlRewriter::quoteName(nameToken.text).size()
                                                    : nameToken.text.size()));
    int depth = 0;
    std::size_t close = open;
    for (; close < t.size(); ++close) {
        if (t[close].isSymbol("("))
            ++depth;
        else if (t[close].isSymbol(")") && --depth == 0)
            break;
    }
    if (close >= t.size()) {
        error = Errors::make(102, {t.back().text});
        return false;
    }
    std::vector<std::string> parts;
    int columnNumber = 0;
    for (auto [b, e] : items(t, open, close)) {
        if (b >= e)
            continue;
        const Token& first = t[b];
        std::string text;
        auto rest = [&](std::size_t from, std::size_t to) {
            std::string s;
            for (std::size_t k = from; k < to; ++k) {
                if (t[k].isWord("CLUSTERED") || t[k].isWord("NONCLUSTERED") ||
                    t[k].isWord("ROWGUIDCOL"))
                    continue;
                if (t[k].isWord("PRIMARY") && k + 1 < to && t[k + 1].isWord("KEY") &&
                    result.primaryKey.empty()) {
                    // The constraint's own name, when the script gave one.
                    if (k >= from + 2 && t[k - 2].isWord("CONSTRAINT"))
                        result.primaryKey = t[k - 1].text;
                    else
                        result.primaryKey = generatedKeyName(result.table);
                }
                if (t[k].isWord("IDENTITY")) {
                    if (k + 1 < to && t[k + 1].isSymbol("(")) {
                        while (k < to && !t[k].isSymbol(")"))
                            ++k;
                    }
                    continue;
                }
                if (t[k].isWord("DEFAULT") && k + 2 < to && t[k + 1].kind == Token::Kind::Word &&
                    t[k + 2].isSymbol("(")) {
                    // DEFAULT getdate() needs parentheses in SQLite.
                    std::size_t m = k + 2;
                    int d = 0;
                    for (; m < to; ++m) {
                        if (t[m].isSymbol("("))
                            ++d;
                        else if (t[m].isSymbol(")") && --d == 0)
                            break;
                    }
                    s += " DEFAULT (" + SqlRewriter::rewrite(t, k + 1, m + 1, context, databases) +
                         ")";
                    k = m;
                    continue;
                }
                s += " " + SqlRewriter::rewrite(t, k, k + 1, context, databases);
            }
            return s;
        };
        if (first.isWord("CONSTRAINT") || first.isWord("PRIMARY") || first.isWord("UNIQUE") ||
            first.isWord("FOREIGN") || first.isWord("CHECK")) {
            parts.push_back(rest(b, e));
            continue;
        }
        ++columnNumber;
        if (!first.isName() || b + 1 >= e || t[b + 1].kind != Token::Kind::Word) {
            error = Errors::make(102, {b + 1 < e ? t[b + 1].text : first.text});
            return false;
        }
        const std::string typeName = t[b + 1].text;
        if (!TypeMapper::isKnownTypeName(typeName)) {
            error = Errors::make(2715, {std::to_string(columnNumber), typeName});
            return false;
        }
        std::string decl = Tokenizer::upper(typeName);
        for (char& c : decl)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        std::size_t k = b + 2;
        if (k < e && t[k].isSymbol("(")) {
            decl += "(";
            for (++k; k < e && !t[k].isSymbol(")"); ++k)
                decl += t[k].isWord("MAX") ? std::string("4000") : t[k].text;
            decl += ")";
            ++k;
        }
        bool identity = false;
        for (std::size_t m = k; m < e; ++m)
            identity = identity || t[m].isWord("IDENTITY");
        const TypeMapper::Declared declared = TypeMapper::parse(decl);
        const std::string column = SqlRewriter::quoteName(first.text);
        text = column + " " + (identity ? std::string("INTEGER") : decl);
        bool collated = false;
        for (std::size_t m = k; m < e; ++m)
            collated = collated || t[m].isWord("COLLATE");
        if (declared.family == TypeMapper::Family::Unicode ||
            declared.family == TypeMapper::Family::Ansi) {
            if (!collated)
                text += std::string(" COLLATE ") + SqlServerSemantics::kCollation;
        }
        text += rest(k, e);
        if (declared.family == TypeMapper::Family::DateTime) {
            const std::string fix = "UPDATE " + SqlRewriter::quoteName(r.table) + " SET " + column +
                                    " = standin_datetime(" + column +
                                    ") WHERE rowid = NEW.rowid AND " + column +
                                    " IS NOT standin_datetime(" + column + ");";
            for (const char* when : {"INSERT", "UPDATE"})
                r.triggers.push_back("CREATE TRIGGER " + r.schemaPrefix +
                                     SqlRewriter::quoteName("standin_dt_" + std::string(when) +
                                                            "_" + r.table + "_" + first.text) +
                                     " AFTER " + when + " ON " + SqlRewriter::quoteName(r.table) +
                                     " BEGIN " + fix + " END");
        }
        if (declared.isChar) {
            const char* length =
                declared.family == TypeMapper::Family::Ansi ? "standin_ansi_len" : "length";
            text += " CONSTRAINT " + SqlRewriter::quoteName(kWidthCheckPrefix + first.text) +
                    " CHECK (" + length + "(" + column + ") <= " + std::to_string(declared.width) +
                    ")";
        }
        parts.push_back(text);
    }
    result.sql = "CREATE TABLE " + qualified + " (";
    for (std::size_t i = 0; i < parts.size(); ++i)
        result.sql += (i ? ", " : "") + parts[i];
    result.sql += ")";
    // Anything after the parentheses is a filegroup clause (ON [PRIMARY]), which SQLite has no use
    // for.
    return true;
}

} // namespace standin
