#pragma once

#include <string>
#include <vector>

namespace standin {

struct Token {
    enum class Kind { Word, QuotedName, String, Number, Variable, GlobalVariable, Symbol };
    Kind kind = Kind::Word;
    std::string text;      // Word/Number/Symbol: as written; QuotedName/String: the content
    bool national = false; // N'...'
    std::size_t begin = 0; // offsets into the batch text
    std::size_t end = 0;

    bool isWord(const char* upper) const; // a Word, compared without regard to case
    bool isSymbol(const char* s) const { return kind == Kind::Symbol && text == s; }
    bool isName() const { return kind == Kind::Word || kind == Kind::QuotedName; }
    std::string upper() const;
};

// Splits T-SQL text into tokens, dropping blanks and comments.
class Tokenizer {
  public:
    // False with badTail set to the text after an unclosed quote.
    static bool tokenize(const std::string& sql, std::vector<Token>& tokens, std::string& badTail);
    static std::string upper(const std::string& s);
    static bool equalsNoCase(const std::string& a, const std::string& b);
};

} // namespace standin
