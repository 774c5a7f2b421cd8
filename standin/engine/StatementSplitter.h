#pragma once

#include "standin/engine/Tokenizer.h"

#include <vector>

namespace standin {

// One statement of a batch: its tokens. An IF statement holds only its condition; the
// statement it guards is the next one.
struct Statement {
    std::vector<Token> tokens;
    bool isIf = false;
};

// Splits a batch into statements. FreeTDS joins commands with blanks only ("set textsize 64512
// select @@spid use [db]"), so a statement also ends where the next one's first keyword starts.
class StatementSplitter {
  public:
    static std::vector<Statement> split(const std::vector<Token>& tokens);
};

} // namespace standin
