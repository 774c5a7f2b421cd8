#pragma once

#include "standin/engine/EngineSession.h"
#include "standin/engine/MasterCatalogue.h"
#include "standin/engine/SqlRewriter.h"
#include "standin/engine/StatementSplitter.h"

#include <sqlite3.h>

#include <map>
#include <string>
#include <vector>

namespace standin {

// EngineSession over SQLite: one connection per database the session touches, opened on
// first use. @@TRANCOUNT lives here; SQLite transactions are begun lazily on each connection
// a statement uses while @@TRANCOUNT > 0, and all of them end together.
class Session : public EngineSession {
  public:
    explicit Session(MasterCatalogue& catalogue);
    ~Session() override;

    bool login(const std::string& user, const std::string& password, const std::string& database,
               std::vector<Message>& messages) override;
    std::string currentDatabase() const override { return m_database; }
    std::vector<StatementOutcome> execute(const std::string& sql,
                                          const std::vector<Param>& params) override;
    bool describe(const std::string& sql, const std::vector<Param>& params,
                  std::vector<ColumnInfo>& columns, std::vector<Message>& messages) override;
    int tranCount() const override { return m_tranCount; }
    void close() override;

    MasterCatalogue& catalogue() { return m_catalogue; }
    // Closes connections to databases other than the current one (outside a transaction),
    // so DROP and RESTORE ... REPLACE see only real users.
    void releaseIdleConnections();

  private:
    struct Connection {
        sqlite3* handle = nullptr;
        std::vector<std::string> attached;
    };

    StatementOutcome run(const Statement& statement, const std::vector<Param>& params);
    StatementOutcome runData(const std::vector<Token>& tokens, const std::vector<Param>& params,
                             bool describeOnly);
    StatementOutcome runCreateTable(const std::vector<Token>& tokens);
    StatementOutcome runDropTable(const std::vector<Token>& tokens);
    StatementOutcome runUse(const std::vector<Token>& tokens);
    StatementOutcome runSet(const std::vector<Token>& tokens);
    StatementOutcome runBegin();
    StatementOutcome runCommit();
    StatementOutcome runRollback();
    bool evaluateIf(const std::vector<Token>& condition, StatementOutcome& failure);

    // The connection for a database (opened and, inside a transaction, begun); nullptr with
    // messages when it cannot be used.
    sqlite3* connection(const std::string& database, const std::vector<std::string>& others,
                        std::vector<Message>& messages);
    void endTransactions(bool commit, std::vector<Message>& messages);
    void closeAll();
    void finish(StatementOutcome& outcome) const;
    SqlRewriter::Context context() const;
    bool opensImplicitTransaction(const std::vector<Token>& tokens) const;

    MasterCatalogue& m_catalogue;
    std::map<std::string, Connection> m_connections; // by upper-case database name
    std::string m_database;
    int m_tranCount = 0;
    bool m_implicit = false;
    bool m_noCount = false;
    bool m_loggedIn = false;
    int m_spid;
    long long m_rowCount = 0;
    int m_lastError = 0;
};

} // namespace standin
