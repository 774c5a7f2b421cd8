#pragma once

#include "standin/engine/Tokenizer.h"

#include <vector>

namespace standin {

// SQLite's "+" only adds numbers; T-SQL's also joins texts ('a' + 'b', col + 'x'). Every
// binary "+" becomes a call standin_plus(left, right) that decides by its operands' values,
// keeping T-SQL's precedence: * / % bind tighter, + and - group from the left.
class PlusRewriter {
  public:
    static std::vector<Token> rewrite(std::vector<Token> tokens);
};

} // namespace standin
