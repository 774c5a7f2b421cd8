#pragma once

#include "standin/engine/EngineTypes.h"
#include "standin/engine/Tokenizer.h"

#include <vector>

namespace standin {

class Session;

// RESTORE DATABASE ... FROM DISK ... [WITH MOVE ..., REPLACE] and RESTORE FILELISTONLY.
// A restore is all-or-nothing: files are written under temporary names and renamed at the
// end; on any failure nothing is registered and no file it created remains.
class RestoreCommand {
  public:
    static StatementOutcome run(Session& session, const std::vector<Token>& tokens);
    // The result columns of RESTORE FILELISTONLY; false for other RESTORE forms.
    static bool describe(const std::vector<Token>& tokens, std::vector<ColumnInfo>& columns);
};

} // namespace standin
