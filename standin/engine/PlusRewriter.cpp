#include "standin/engine/PlusRewriter.h"

#include "standin/engine/SqlServerSemantics.h"
#include "standin/engine/SqliteErrorMapper.h"

namespace standin {

namespace {

constexpr std::size_t npos = static_cast<std::size_t>(-1);

bool isMultiplicative(const Token& t) {
    return t.isSymbol("*") || t.isSymbol("/") || t.isSymbol("%");
}

// A token after which "+" or "-" is binary.
bool endsOperand(const Token& t) {
    switch (t.kind) {
    case Token::Kind::Word:
        return !SqliteErrorMapper::isKeyword(t.text) || t.isWord("END") || t.isWord("NULL");
    case Token::Kind::Symbol:
        return t.isSymbol(")");
    default:
        return true;
    }
}

// The index of the token that closes the "(" at open (or the END of the CASE at open).
std::size_t closing(const std::vector<Token>& t, std::size_t open) {
    const bool isCase = t[open].isWord("CASE");
    int depth = 0;
    for (std::size_t k = open; k < t.size(); ++k) {
        if (isCase ? t[k].isWord("CASE") : t[k].isSymbol("("))
            ++depth;
        else if ((isCase ? t[k].isWord("END") : t[k].isSymbol(")")) && --depth == 0)
            return k;
    }
    return npos;
}

std::size_t opening(const std::vector<Token>& t, std::size_t close) {
    const bool isCase = t[close].isWord("END");
    int depth = 0;
    for (std::size_t k = close + 1; k-- > 0;) {
        if (isCase ? t[k].isWord("END") : t[k].isSymbol(")"))
            ++depth;
        else if ((isCase ? t[k].isWord("CASE") : t[k].isSymbol("(")) && --depth == 0)
            return k;
    }
    return npos;
}

// One operand from i: signs, then a literal, variable, (dotted) name, call, (...) or CASE.
// Returns the index after it, npos when there is none.
std::size_t primaryEnd(const std::vector<Token>& t, std::size_t i) {
    while (i < t.size() && (t[i].isSymbol("-") || t[i].isSymbol("+") || t[i].isSymbol("~")))
        ++i;
    if (i >= t.size())
        return npos;
    if (t[i].isSymbol("(") || t[i].isWord("CASE")) {
        const std::size_t close = closing(t, i);
        return close == npos ? npos : close + 1;
    }
    if (t[i].kind == Token::Kind::Symbol)
        return npos;
    std::size_t k = i + 1;
    if (t[i].isName()) {
        while (k + 1 < t.size() && t[k].isSymbol(".")) {
            std::size_t m = k + 1;
            if (t[m].isSymbol(".")) // db..table
                ++m;
            if (m >= t.size() || !t[m].isName())
                break;
            k = m + 1;
        }
        if (k < t.size() && t[k].isSymbol("(") && t[k - 1].kind == Token::Kind::Word) {
            const std::size_t close = closing(t, k);
            return close == npos ? npos : close + 1;
        }
    }
    return k;
}

// The first token of the operand that ends at last (inclusive), with any unary signs.
std::size_t primaryStart(const std::vector<Token>& t, std::size_t last) {
    std::size_t s = last;
    if (t[last].isSymbol(")") || t[last].isWord("END")) {
        s = opening(t, last);
        if (s == npos)
            return npos;
        if (t[s].isSymbol("(") && s > 0 && t[s - 1].kind == Token::Kind::Word &&
            !SqliteErrorMapper::isKeyword(t[s - 1].text))
            --s; // a call
    }
    while (s >= 2 && t[s].isName() && t[s - 1].isSymbol(".")) {
        std::size_t m = s - 1;
        if (m >= 1 && t[m - 1].isSymbol("."))
            --m;
        if (m == 0 || !t[m - 1].isName())
            break;
        s = m - 1;
    }
    while (s >= 1 && (t[s - 1].isSymbol("-") || t[s - 1].isSymbol("+")) &&
           (s == 1 || !endsOperand(t[s - 2])))
        --s;
    return s;
}

} // namespace

std::vector<Token> PlusRewriter::rewrite(std::vector<Token> t) {
    for (std::size_t from = 1;;) {
        std::size_t plus = from;
        while (plus < t.size() && !(t[plus].isSymbol("+") && endsOperand(t[plus - 1])))
            ++plus;
        if (plus >= t.size())
            return t;
        // Leftmost first: everything to the left at this level is * / % or binary -.
        std::size_t start = primaryStart(t, plus - 1);
        while (start != npos && start >= 2 &&
               (isMultiplicative(t[start - 1]) ||
                (t[start - 1].isSymbol("-") && endsOperand(t[start - 2]))))
            start = primaryStart(t, start - 2);
        std::size_t end = primaryEnd(t, plus + 1);
        while (end != npos && end < t.size() && isMultiplicative(t[end]))
            end = primaryEnd(t, end + 1);
        if (start == npos || end == npos) {
            from = plus + 1; // leave it for SQLite to report
            continue;
        }
        Token call = t[plus], open = t[plus], comma = t[plus], close = t[plus];
        call.kind = Token::Kind::Word;
        call.text = SqlServerSemantics::kPlusFunction;
        open.text = "(";
        comma.text = ",";
        close.text = ")";
        std::vector<Token> out(t.begin(), t.begin() + start);
        out.push_back(call);
        out.push_back(open);
        out.insert(out.end(), t.begin() + start, t.begin() + plus);
        out.push_back(comma);
        out.insert(out.end(), t.begin() + plus + 1, t.begin() + end);
        out.push_back(close);
        out.insert(out.end(), t.begin() + end, t.end());
        t = std::move(out);
        from = 1;
    }
}

} // namespace standin
