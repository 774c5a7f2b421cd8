#include "standin/engine/Tokenizer.h"

#include <cctype>

namespace standin {

namespace {

bool isNameStart(unsigned char c) {
    return std::isalpha(c) || c == '_' || c == '#' || c >= 0x80;
}
bool isNameChar(unsigned char c) {
    return isNameStart(c) || std::isdigit(c) || c == '$' || c == '@';
}

// Reads quoted text from `start` (just after the opening quote) up to `closer`; a doubled
// closer stands for one. False when the text ends before the closing quote.
bool scanQuoted(const std::string& sql, std::size_t start, char closer, std::string& text,
                std::size_t& next) {
    const std::size_t n = sql.size();
    std::size_t k = start;
    while (k < n) {
        if (sql[k] == closer) {
            if (k + 1 < n && sql[k + 1] == closer) {
                text += closer;
                k += 2;
                continue;
            }
            next = k + 1;
            return true;
        }
        text += sql[k++];
    }
    return false;
}

} // namespace

std::string Tokenizer::upper(const std::string& s) {
    std::string u = s;
    for (char& c : u)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return u;
}

bool Tokenizer::equalsNoCase(const std::string& a, const std::string& b) {
    return upper(a) == upper(b);
}

bool Token::isWord(const char* up) const {
    return kind == Kind::Word && upper() == up;
}

std::string Token::upper() const {
    return Tokenizer::upper(text);
}

bool Tokenizer::tokenize(const std::string& sql, std::vector<Token>& tokens, std::string& badTail) {
    tokens.clear();
    const std::size_t n = sql.size();
    std::size_t i = 0;
    auto at = [&](std::size_t k) -> unsigned char { return k < n ? sql[k] : '\0'; };
    while (i < n) {
        const unsigned char c = sql[i];
        if (std::isspace(c)) {
            ++i;
            continue;
        }
        if (c == '-' && at(i + 1) == '-') {
            while (i < n && sql[i] != '\n')
                ++i;
            continue;
        }
        if (c == '/' && at(i + 1) == '*') {
            const std::size_t close = sql.find("*/", i + 2);
            i = close == std::string::npos ? n : close + 2;
            continue;
        }
        Token t;
        t.begin = i;
        if (c == '\'' || ((c == 'N' || c == 'n') && at(i + 1) == '\'')) {
            t.kind = Token::Kind::String;
            t.national = c != '\'';
            const std::size_t start = i + (t.national ? 2 : 1);
            if (!scanQuoted(sql, start, '\'', t.text, i)) {
                badTail = sql.substr(start);
                return false;
            }
        } else if (c == '[' || c == '"') {
            t.kind = Token::Kind::QuotedName;
            if (!scanQuoted(sql, i + 1, c == '[' ? ']' : '"', t.text, i)) {
                badTail = sql.substr(i + 1);
                return false;
            }
        } else if (c == '@') {
            const bool global = at(i + 1) == '@';
            std::size_t k = i + (global ? 2 : 1);
            while (k < n && isNameChar(sql[k]))
                ++k;
            t.kind = global ? Token::Kind::GlobalVariable : Token::Kind::Variable;
            t.text = sql.substr(i, k - i);
            i = k;
        } else if (std::isdigit(c) || (c == '.' && std::isdigit(at(i + 1)))) {
            std::size_t k = i;
            while (k < n && (std::isdigit(static_cast<unsigned char>(sql[k])) || sql[k] == '.'))
                ++k;
            if (k < n && (sql[k] == 'e' || sql[k] == 'E')) {
                std::size_t m = k + 1;
                if (at(m) == '+' || at(m) == '-')
                    ++m;
                if (std::isdigit(at(m))) {
                    k = m;
                    while (k < n && std::isdigit(static_cast<unsigned char>(sql[k])))
                        ++k;
                }
            }
            t.kind = Token::Kind::Number;
            t.text = sql.substr(i, k - i);
            i = k;
        } else if (isNameStart(c)) {
            std::size_t k = i;
            while (k < n && isNameChar(sql[k]))
                ++k;
            t.kind = Token::Kind::Word;
            t.text = sql.substr(i, k - i);
            i = k;
        } else {
            t.kind = Token::Kind::Symbol;
            static const char* twoChar[] = {"<=", ">=", "<>", "!=", "!<", "!>", "||"};
            t.text = std::string(1, static_cast<char>(c));
            for (const char* op : twoChar)
                if (c == static_cast<unsigned char>(op[0]) &&
                    at(i + 1) == static_cast<unsigned char>(op[1]))
                    t.text = op;
            i += t.text.size();
        }
        t.end = i;
        tokens.push_back(std::move(t));
    }
    return true;
}

} // namespace standin
