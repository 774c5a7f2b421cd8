#include "standin/engine/SqlRewriter.h"

#include "standin/engine/PlusRewriter.h"
#include "standin/engine/SqlServerSemantics.h"

namespace standin {

namespace {

void addDatabase(std::vector<std::string>& dbs, const std::string& name) {
    for (const std::string& d : dbs)
        if (Tokenizer::equalsNoCase(d, name))
            return;
    dbs.push_back(name);
}

std::string globalValue(const Token& t, const SqlRewriter::Context& c) {
    const std::string u = t.upper();
    if (u == "@@TRANCOUNT")
        return std::to_string(c.tranCount);
    if (u == "@@SPID")
        return std::to_string(c.spid);
    if (u == "@@ROWCOUNT")
        return std::to_string(c.rowCount);
    if (u == "@@ERROR")
        return std::to_string(c.lastError);
    if (u == "@@IDENTITY")
        return "last_insert_rowid()";
    if (u == "@@VERSION")
        return SqlRewriter::quoteString(SqlRewriter::version());
    if (u == "@@SERVERNAME")
        return "'STANDIN'";
    if (u == "@@LANGUAGE")
        return "'us_english'";
    return "NULL";
}

// Wraps text in quote, doubling any quote inside it.
std::string quoted(const std::string& text, char quote) {
    std::string out(1, quote);
    for (char c : text) {
        if (c == quote)
            out += quote;
        out += c;
    }
    return out + quote;
}

} // namespace

std::string SqlRewriter::version() {
    return "Microsoft SQL Server  2000 - 8.00.2039 (Intel X86) \n\tMay  3 2005 23:18:38 \n\t"
           "Copyright (c) 1988-2003 Microsoft Corporation\n\tStandard Edition on Windows NT 5.2 "
           "(Build 3790: Service Pack 2)\n";
}

std::string SqlRewriter::quoteName(const std::string& name) {
    return quoted(name, '"');
}

std::string SqlRewriter::quoteString(const std::string& text) {
    return quoted(text, '\'');
}

std::string SqlRewriter::rewrite(const std::vector<Token>& all, std::size_t first, std::size_t last,
                                 const Context& context, std::vector<std::string>& databases) {
    const std::vector<Token> tokens =
        PlusRewriter::rewrite(std::vector<Token>(all.begin() + static_cast<std::ptrdiff_t>(first),
                                                 all.begin() + static_cast<std::ptrdiff_t>(last)));
    const std::size_t from = 0;
    const std::size_t to = tokens.size();
    std::string out;
    std::string limit;
    bool glue = false; // the previous token was "." : no blank before the next name
    auto emit = [&](const std::string& s) {
        if (!out.empty() && !glue)
            out += ' ';
        glue = false;
        out += s;
    };
    auto nameText = [&](const Token& t) {
        return t.kind == Token::Kind::QuotedName ? quoteName(t.text) : t.text;
    };
    auto at = [&](std::size_t k) -> const Token* { return k < to ? &tokens[k] : nullptr; };
    auto schemaFor = [&](const Token& db) {
        if (Tokenizer::equalsNoCase(db.text, context.currentDatabase))
            return std::string();
        addDatabase(databases, db.text);
        return quoteName(db.text) + ".";
    };
    for (std::size_t i = from; i < to; ++i) {
        const Token& t = tokens[i];
        const Token* n1 = at(i + 1);
        const Token* n2 = at(i + 2);
        const Token* n3 = at(i + 3);
        const Token* n4 = at(i + 4);
        if (t.isName() && n1 && n1->isSymbol(".")) {
            // dbo.object, [dbo].[object] (also before a column: dbo.object.column)
            if (t.isName() && t.upper() == "DBO" && n2 && n2->isName()) {
                emit(nameText(*n2));
                i += 2;
                continue;
            }
            // db..object
            if (n2 && n2->isSymbol(".") && n3 && n3->isName()) {
                emit(schemaFor(t) + nameText(*n3));
                i += 3;
                continue;
            }
            // db.schema.object
            if (n2 && n2->isName() && n3 && n3->isSymbol(".") && n4 && n4->isName()) {
                emit(schemaFor(t) + nameText(*n4));
                i += 4;
                continue;
            }
        }
        switch (t.kind) {
        case Token::Kind::String:
            emit(quoteString(t.text));
            break;
        case Token::Kind::QuotedName:
            emit(quoteName(t.text));
            break;
        case Token::Kind::GlobalVariable:
            emit(globalValue(t, context));
            break;
        case Token::Kind::Symbol:
            if (t.text == "!<")
                emit(">=");
            else if (t.text == "!>")
                emit("<=");
            else if (t.text == ".") {
                out += '.';
                glue = true;
            } else
                emit(t.text);
            break;
        case Token::Kind::Word: {
            const std::string u = t.upper();
            const bool call = n1 && n1->isSymbol("(");
            if (u == "TOP" && n1 && n1->kind == Token::Kind::Number) {
                limit = n1->text;
                ++i;
            } else if (u == "COLLATE" && n1) {
                emit("COLLATE");
                emit(n1->upper().find("_CS") != std::string::npos ||
                             n1->upper().find("_BIN") != std::string::npos
                         ? SqlServerSemantics::kCaseSensitiveCollation
                         : SqlServerSemantics::kCollation);
                ++i;
            } else if (call && u == "LEN") {
                emit("length");
            } else if (call && u == "ISNULL") {
                emit("ifnull");
            } else if (call && u == "GETUTCDATE") {
                emit("strftime('%Y-%m-%d %H:%M:%f', 'now')");
                i += 2; // "(" ")"
            } else {
                emit(t.text);
            }
            break;
        }
        default:
            emit(t.text);
            break;
        }
    }
    if (!limit.empty())
        out += " LIMIT " + limit;
    return out;
}

} // namespace standin
