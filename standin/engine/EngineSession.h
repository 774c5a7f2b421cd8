#pragma once

#include "standin/engine/Catalogue.h"
#include "standin/engine/EngineTypes.h"

#include <memory>
#include <string>
#include <vector>

namespace standin {

// One client's statement state: current database, @@TRANCOUNT, IMPLICIT_TRANSACTIONS, its
// SQLite connection(s). Used from one thread at a time (the connection's thread).
class EngineSession {
  public:
    static std::unique_ptr<EngineSession> create(Catalogue& catalogue);
    virtual ~EngineSession() = default;

    // LOGIN7: checks the password and opens the database (empty: master). On failure
    // messages holds what SQL Server sends (4060 then 18456, or 18456 alone).
    virtual bool login(const std::string& user, const std::string& password,
                       const std::string& database, std::vector<Message>& messages) = 0;
    virtual std::string currentDatabase() const = 0;

    // Runs a batch (one or more statements, separated by ';' or just by blanks/new lines).
    // The batch stops after the first statement that fails; that statement's outcome is the
    // last one returned, with error set.
    virtual std::vector<StatementOutcome> execute(const std::string& sql,
                                                  const std::vector<Param>& params) = 0;

    // sp_prepare: the result columns a statement would return, without running it
    // (empty for a statement without result set). False with messages when it cannot compile.
    virtual bool describe(const std::string& sql, const std::vector<Param>& params,
                          std::vector<ColumnInfo>& columns, std::vector<Message>& messages) = 0;

    virtual int tranCount() const = 0;

    // The client went away (EOF, shutdown): roll back whatever is open, close files.
    virtual void close() = 0;
};

// make-backup: from an empty server (master only) in a private temporary root, run the scripts
// in order, then BACKUP DATABASE database TO DISK = outFile. Returns 0 on success; otherwise
// non-zero with error holding "Msg <number>: <text>".
int makeBackup(const std::string& database, const std::string& outFile,
               const std::vector<std::string>& scripts, std::string& error);

} // namespace standin
