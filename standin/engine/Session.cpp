#include "standin/engine/Session.h"

#include "standin/engine/CreateTableRewriter.h"
#include "standin/engine/DatabaseCommands.h"
#include "standin/engine/Errors.h"
#include "standin/engine/RestoreCommand.h"
#include "standin/engine/SelectShape.h"
#include "standin/engine/SqliteConnection.h"
#include "standin/engine/SqliteErrorMapper.h"
#include "standin/engine/SystemTables.h"
#include "standin/engine/TypeMapper.h"
#include "standin/engine/ValueConverter.h"

#include <atomic>

namespace standin {

namespace {

std::atomic<int> g_nextSpid{51};

StatementOutcome failed(std::vector<Message> messages) {
    StatementOutcome o;
    o.error = true;
    o.messages = std::move(messages);
    return o;
}

std::string upper(const std::string& s) {
    return Tokenizer::upper(s);
}

} // namespace

std::unique_ptr<EngineSession> EngineSession::create(Catalogue& catalogue) {
    return std::make_unique<Session>(static_cast<MasterCatalogue&>(catalogue));
}

Session::Session(MasterCatalogue& catalogue) : m_catalogue(catalogue), m_spid(g_nextSpid++) {}

Session::~Session() {
    close();
}

bool Session::login(const std::string& user, const std::string& password,
                    const std::string& database, std::vector<Message>& messages) {
    if (!m_catalogue.checkPassword(user, password)) {
        messages.push_back(Errors::make(18456, {user}));
        return false;
    }
    const std::string name = database.empty() ? std::string("master") : database;
    DatabaseEntry entry;
    std::vector<Message> ignored;
    if (!m_catalogue.find(name, entry) || !connection(entry.name, {}, ignored)) {
        messages.push_back(Errors::make(4060, {name}));
        messages.push_back(Errors::make(18456, {user}));
        return false;
    }
    m_database = entry.name;
    m_loggedIn = true;
    return true;
}

void Session::close() {
    std::vector<Message> ignored;
    endTransactions(false, ignored);
    m_tranCount = 0;
    closeAll();
}

void Session::closeAll() {
    for (auto& [name, c] : m_connections) {
        SqliteConnection::close(c.handle);
        m_catalogue.release(name);
    }
    m_connections.clear();
}

void Session::releaseIdleConnections() {
    if (m_tranCount > 0)
        return;
    for (auto it = m_connections.begin(); it != m_connections.end();) {
        if (it->first != upper(m_database)) {
            SqliteConnection::close(it->second.handle);
            m_catalogue.release(it->first);
            it = m_connections.erase(it);
        } else {
            ++it;
        }
    }
}

SqlRewriter::Context Session::context() const {
    SqlRewriter::Context c;
    c.currentDatabase = m_database;
    c.tranCount = m_tranCount;
    c.spid = m_spid;
    c.rowCount = m_rowCount;
    c.lastError = m_lastError;
    return c;
}

sqlite3* Session::connection(const std::string& database, const std::vector<std::string>& others,
                             std::vector<Message>& messages) {
    const std::string key = upper(database);
    auto it = m_connections.find(key);
    if (it == m_connections.end()) {
        DatabaseEntry entry;
        if (!m_catalogue.find(database, entry)) {
            messages.push_back(Errors::make(911, {database}));
            return nullptr;
        }
        const bool isMaster = key == "MASTER";
        const std::string file =
            isMaster ? m_catalogue.masterFile() : m_catalogue.localPath(entry.dataPath);
        std::string error;
        sqlite3* h = SqliteConnection::open(file, false, error);
        if (!h) {
            messages.push_back(Errors::make(4060, {database}));
            return nullptr;
        }
        Connection c;
        c.handle = h;
        if (!isMaster) {
            if (!SqliteConnection::exec(h,
                                        "ATTACH DATABASE " +
                                            SqlRewriter::quoteString(m_catalogue.masterFile()) +
                                            " AS \"master\"",
                                        error)) {
                SqliteConnection::close(h);
                messages.push_back(Errors::make(4060, {database}));
                return nullptr;
            }
            c.attached.push_back("MASTER");
        }
        m_catalogue.acquire(key);
        it = m_connections.emplace(key, c).first;
    }
    Connection& c = it->second;
    // SQL Server at READ COMMITTED keeps no lock once a read is over, but a SQLite read
    // transaction pins its snapshot: after another connection commits, this transaction's first
    // write would fail at once (SQLITE_BUSY_SNAPSHOT, no waiting). So while a transaction has
    // only read, its snapshot ends before each statement and the next statement starts from the
    // latest commit. From its first write on it holds the write lock to the end, and a writer
    // that meets another's uncommitted work waits out the busy timeout (1222).
    if (!sqlite3_get_autocommit(c.handle) &&
        sqlite3_txn_state(c.handle, nullptr) == SQLITE_TXN_READ) {
        std::string error;
        SqliteConnection::exec(c.handle, "COMMIT", error);
    }
    for (const std::string& other : others) {
        const std::string okey = upper(other);
        bool known = okey == key;
        for (const std::string& a : c.attached)
            known = known || a == okey;
        if (known)
            continue;
        DatabaseEntry entry;
        if (!m_catalogue.find(other, entry)) {
            messages.push_back(Errors::make(911, {other}));
            return nullptr;
        }
        std::string error;
        if (!sqlite3_get_autocommit(c.handle) ||
            !SqliteConnection::exec(
                c.handle,
                "ATTACH DATABASE " +
                    SqlRewriter::quoteString(m_catalogue.localPath(entry.dataPath)) + " AS " +
                    SqlRewriter::quoteName(entry.name),
                error)) {
            messages.push_back(Errors::make(911, {other}));
            return nullptr;
        }
        c.attached.push_back(okey);
    }
    if (m_tranCount > 0 && sqlite3_get_autocommit(c.handle)) {
        std::string error;
        if (!SqliteConnection::exec(c.handle, "BEGIN", error)) {
            messages.push_back(Errors::make(1222));
            return nullptr;
        }
    }
    return c.handle;
}

void Session::endTransactions(bool commit, std::vector<Message>& messages) {
    for (auto& [name, c] : m_connections) {
        if (sqlite3_get_autocommit(c.handle))
            continue;
        std::string error;
        if (commit && !SqliteConnection::exec(c.handle, "COMMIT", error)) {
            messages.push_back(Errors::make(1222));
            SqliteConnection::exec(c.handle, "ROLLBACK", error);
        } else if (!commit) {
            SqliteConnection::exec(c.handle, "ROLLBACK", error);
        }
    }
}

void Session::finish(StatementOutcome& o) const {
    o.inTransaction = m_tranCount > 0;
}

std::vector<StatementOutcome> Session::execute(const std::string& sql,
                                               const std::vector<Param>& params) {
    std::vector<StatementOutcome> outcomes;
    std::vector<Token> tokens;
    std::string badTail;
    if (!Tokenizer::tokenize(sql, tokens, badTail)) {
        outcomes.push_back(failed({Errors::make(105, {badTail})}));
        finish(outcomes.back());
        return outcomes;
    }
    const std::vector<Statement> statements = StatementSplitter::split(tokens);
    bool skipNext = false;
    for (const Statement& st : statements) {
        if (skipNext) {
            skipNext = false;
            continue;
        }
        if (st.isIf) {
            StatementOutcome failure;
            bool holds = evaluateIf(st.tokens, failure);
            if (failure.error) {
                finish(failure);
                outcomes.push_back(failure);
                break;
            }
            skipNext = !holds;
            continue;
        }
        StatementOutcome o = run(st, params);
        m_lastError = 0;
        for (const Message& m : o.messages)
            if (m.isError())
                m_lastError = m.number;
        if (o.hasCount)
            m_rowCount = o.count;
        finish(o);
        const bool error = o.error;
        outcomes.push_back(std::move(o));
        if (error)
            break;
    }
    releaseIdleConnections();
    return outcomes;
}

bool Session::evaluateIf(const std::vector<Token>& condition, StatementOutcome& failure) {
    std::vector<std::string> others;
    const std::string expr =
        SqlRewriter::rewrite(condition, 1, condition.size(), context(), others);
    std::vector<Message> messages;
    sqlite3* h = connection(m_database, others, messages);
    if (!h) {
        failure = failed(messages);
        return false;
    }
    const std::string sql = "SELECT CASE WHEN " + expr + " THEN 1 ELSE 0 END";
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(h, sql.c_str(), -1, &st, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(st);
    bool holds = false;
    if (rc == SQLITE_ROW)
        holds = sqlite3_column_int(st, 0) != 0;
    else
        failure = failed(SqliteErrorMapper::map(h, rc, "IF", condition.back().text));
    sqlite3_finalize(st);
    return holds;
}

bool Session::opensImplicitTransaction(const std::vector<Token>& t) const {
    const std::string first = t.front().upper();
    if (first == "INSERT" || first == "UPDATE" || first == "DELETE" || first == "TRUNCATE" ||
        first == "ALTER" || first == "GRANT" || first == "REVOKE" || first == "FETCH" ||
        first == "OPEN" || first == "BEGIN")
        return true;
    if (first == "CREATE" || first == "DROP")
        return !(t.size() > 1 && t[1].isWord("DATABASE"));
    if (first == "SELECT") {
        int depth = 0;
        for (const Token& k : t) {
            if (k.isSymbol("("))
                ++depth;
            else if (k.isSymbol(")"))
                --depth;
            else if (depth == 0 && k.isWord("FROM"))
                return true;
        }
    }
    return false;
}

StatementOutcome Session::run(const Statement& statement, const std::vector<Param>& params) {
    const std::vector<Token>& t = statement.tokens;
    const std::string first = t.front().upper();
    auto second = [&](const char* w) { return t.size() > 1 && t[1].isWord(w); };
    if (m_implicit && m_tranCount == 0 && opensImplicitTransaction(t))
        m_tranCount = 1;
    if (first == "SELECT" || first == "INSERT" || first == "UPDATE" || first == "DELETE" ||
        first == "WITH" || first == "ALTER" ||
        (first == "CREATE" && !second("TABLE") && !second("DATABASE")))
        return runData(t, params, false);
    if (first == "TRUNCATE" && second("TABLE")) {
        std::vector<Token> rewritten(t.begin() + 2, t.end());
        Token del = t[0], from = t[1];
        del.text = "DELETE";
        from.text = "FROM";
        rewritten.insert(rewritten.begin(), {del, from});
        StatementOutcome o = runData(rewritten, params, false);
        o.hasCount = false;
        return o;
    }
    if (first == "CREATE" && second("TABLE"))
        return runCreateTable(t);
    if (first == "CREATE" && second("DATABASE"))
        return DatabaseCommands::create(*this, t);
    if (first == "DROP" && second("DATABASE"))
        return DatabaseCommands::drop(*this, t);
    if (first == "DROP" && second("TABLE"))
        return runDropTable(t);
    if (first == "DROP")
        return runData(t, params, false);
    if (first == "BACKUP")
        return DatabaseCommands::backup(*this, t);
    if (first == "RESTORE")
        return RestoreCommand::run(*this, t);
    if (first == "USE")
        return runUse(t);
    if (first == "SET")
        return runSet(t);
    if (first == "BEGIN" && (second("TRAN") || second("TRANSACTION")))
        return runBegin();
    if (first == "COMMIT")
        return runCommit();
    if (first == "ROLLBACK")
        return runRollback();
    if (first == "SAVE")
        return StatementOutcome{};
    if (first == "PRINT" && t.size() > 1) {
        StatementOutcome o;
        Message m;
        m.number = 0;
        m.severity = 0;
        m.state = 1;
        m.text = t[1].text;
        o.messages.push_back(m);
        return o;
    }
    if (first == "EXEC" || first == "EXECUTE")
        return failed({Errors::make(2812, {t.size() > 1 ? t[1].text : std::string()})});
    return failed(
        {Errors::make(SqliteErrorMapper::isKeyword(t.front().text) ? 156 : 102, {t.front().text})});
}

StatementOutcome Session::runData(const std::vector<Token>& t, const std::vector<Param>& params,
                                  bool describeOnly) {
    std::vector<std::string> others;
    const std::string sql = SqlRewriter::rewrite(t, 0, t.size(), context(), others);
    std::vector<Message> messages;
    sqlite3* h = connection(m_database, others, messages);
    if (!h)
        return failed(messages);
    const std::string kind = t.front().upper();
    StatementOutcome o;
    o.curcmd = kind == "SELECT"   ? CmdSelect
               : kind == "INSERT" ? CmdInsert
               : kind == "UPDATE" ? CmdUpdate
               : kind == "DELETE" ? CmdDelete
                                  : CmdNone;
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(h, sql.c_str(), -1, &st, nullptr);
    if (rc != SQLITE_OK || !st) {
        sqlite3_finalize(st);
        if (rc == SQLITE_OK) // nothing to run (blank after rewriting)
            return o;
        return failed(SqliteErrorMapper::map(h, rc, kind, t.back().text));
    }
    const int paramCount = sqlite3_bind_parameter_count(st);
    for (int i = 1; i <= paramCount; ++i) {
        const char* pname = sqlite3_bind_parameter_name(st, i);
        const Param* p = nullptr;
        for (const Param& candidate : params)
            if (pname && !candidate.name.empty() && Tokenizer::equalsNoCase(candidate.name, pname))
                p = &candidate;
        if (!p && static_cast<std::size_t>(i - 1) < params.size() && params[i - 1].name.empty())
            p = &params[i - 1];
        if (!p) {
            sqlite3_finalize(st);
            return failed({Errors::make(137, {pname ? pname : "?"})});
        }
        ValueConverter::bind(st, i, p->value);
    }
    const std::vector<SelectShape::Item> shape = SelectShape::parse(t);
    const int columnCount = sqlite3_column_count(st);
    std::vector<ColumnInfo> columns(columnCount);
    std::vector<bool> typeKnown(columnCount, false);
    for (int c = 0; c < columnCount; ++c) {
        const char* decl = sqlite3_column_decltype(st, c);
        const SelectShape::Item* item =
            static_cast<std::size_t>(c) < shape.size() ? &shape[c] : nullptr;
        ColumnInfo& col = columns[c];
        col.name = sqlite3_column_name(st, c) ? sqlite3_column_name(st, c) : "";
        if (item && !item->alias && !item->isColumn)
            col.name.clear(); // SQL Server names no expression
        if (decl && TypeMapper::toColumn(decl, col)) {
            typeKnown[c] = true;
            const char* table = sqlite3_column_table_name(st, c);
            const char* origin = sqlite3_column_origin_name(st, c);
            const char* dbName = sqlite3_column_database_name(st, c);
            int notNull = 0, primaryKey = 0, autoinc = 0;
            if (table && origin &&
                sqlite3_table_column_metadata(h, dbName, table, origin, nullptr, nullptr, &notNull,
                                              &primaryKey, &autoinc) == SQLITE_OK)
                col.nullable = !notNull;
        } else if (item && item->type) {
            const std::string name = col.name;
            col = *item->type;
            col.name = name;
            typeKnown[c] = true;
        }
    }
    if (describeOnly) {
        sqlite3_finalize(st);
        for (int c = 0; c < columnCount; ++c)
            if (!typeKnown[c])
                columns[c].type = SqlType::NVarChar;
        o.hasResultSet = columnCount > 0;
        o.columns = columns;
        return o;
    }
    std::vector<std::vector<Value>> rows;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        std::vector<Value> row;
        row.reserve(columnCount);
        for (int c = 0; c < columnCount; ++c)
            row.push_back(ValueConverter::read(st, c));
        rows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE) {
        std::vector<Message> ms = SqliteErrorMapper::map(h, rc, kind, t.back().text);
        sqlite3_finalize(st);
        return failed(ms);
    }
    const long long changes = sqlite3_changes64(h);
    sqlite3_finalize(st);
    if (columnCount > 0) {
        Message conversionError;
        if (!ValueConverter::shape(columns, typeKnown, rows, conversionError))
            return failed({conversionError});
        o.hasResultSet = true;
        o.columns = std::move(columns);
        o.rows = std::move(rows);
        o.hasCount = !m_noCount;
        o.count = static_cast<std::int64_t>(o.rows.size());
        return o;
    }
    if (o.curcmd != CmdNone) {
        o.hasCount = !m_noCount;
        o.count = changes;
    }
    return o;
}

bool Session::describe(const std::string& sql, const std::vector<Param>& params,
                       std::vector<ColumnInfo>& columns, std::vector<Message>& messages) {
    std::vector<Token> tokens;
    std::string badTail;
    if (!Tokenizer::tokenize(sql, tokens, badTail)) {
        messages.push_back(Errors::make(105, {badTail}));
        return false;
    }
    columns.clear();
    for (const Statement& st : StatementSplitter::split(tokens)) {
        if (st.isIf)
            continue;
        const std::string first = st.tokens.front().upper();
        if (first == "RESTORE") {
            if (RestoreCommand::describe(st.tokens, columns))
                return true;
            continue;
        }
        if (first != "SELECT")
            continue;
        StatementOutcome o = runData(st.tokens, params, true);
        if (o.error) {
            messages = o.messages;
            return false;
        }
        if (o.hasResultSet) {
            columns = o.columns;
            return true;
        }
    }
    return true;
}

StatementOutcome Session::runCreateTable(const std::vector<Token>& t) {
    std::vector<std::string> others;
    CreateTableRewriter::Result r;
    Message error;
    if (!CreateTableRewriter::rewrite(t, context(), others, r, error))
        return failed({error});
    std::vector<Message> messages;
    sqlite3* h = connection(m_database, others, messages);
    if (!h)
        return failed(messages);
    // The table and its sysobjects rows appear together or not at all.
    std::string e;
    SqliteConnection::exec(h, "SAVEPOINT standin_create", e);
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(h, r.sql.c_str(), -1, &st, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(st);
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE) {
        std::vector<Message> ms = SqliteErrorMapper::map(h, rc, "CREATE", t.back().text);
        SqliteConnection::exec(h, "ROLLBACK TO standin_create; RELEASE standin_create", e);
        return failed(ms);
    }
    for (const std::string& trigger : r.triggers) {
        if (!SqliteConnection::exec(h, trigger, e)) {
            SqliteConnection::exec(h, "ROLLBACK TO standin_create; RELEASE standin_create", e);
            return failed({Errors::make(50000, {e})});
        }
    }
    if (!SystemTables::addTable(h, r.schemaPrefix, r.table, r.primaryKey, e)) {
        SqliteConnection::exec(h, "ROLLBACK TO standin_create; RELEASE standin_create", e);
        return failed({Errors::make(50000, {e})});
    }
    SqliteConnection::exec(h, "RELEASE standin_create", e);
    return StatementOutcome{};
}

StatementOutcome Session::runDropTable(const std::vector<Token>& t) {
    std::vector<std::string> others;
    const std::string sql = SqlRewriter::rewrite(t, 0, t.size(), context(), others);
    const std::string table = t.back().text;
    const std::string qualified = SqlRewriter::rewrite(t, 2, t.size(), context(), others);
    const std::string prefix =
        qualified.substr(0, qualified.size() - (t.back().kind == Token::Kind::QuotedName
                                                    ? SqlRewriter::quoteName(table).size()
                                                    : table.size()));
    std::vector<Message> messages;
    sqlite3* h = connection(m_database, others, messages);
    if (!h)
        return failed(messages);
    std::string e;
    SqliteConnection::exec(h, "SAVEPOINT standin_drop", e);
    if (!SqliteConnection::exec(h, sql, e)) {
        SqliteConnection::exec(h, "ROLLBACK TO standin_drop; RELEASE standin_drop", e);
        return failed({Errors::make(3701, {table})});
    }
    SystemTables::dropTable(h, prefix, table, e);
    SqliteConnection::exec(h, "RELEASE standin_drop", e);
    return StatementOutcome{};
}

StatementOutcome Session::runUse(const std::vector<Token>& t) {
    if (t.size() < 2)
        return failed({Errors::make(102, {t.front().text})});
    DatabaseEntry entry;
    if (!m_catalogue.find(t[1].text, entry))
        return failed({Errors::make(911, {t[1].text})});
    std::vector<Message> messages;
    const std::string old = m_database;
    m_database = entry.name;
    if (!connection(entry.name, {}, messages)) {
        m_database = old;
        return failed(messages);
    }
    StatementOutcome o;
    o.oldDatabase = old;
    o.newDatabase = entry.name;
    o.messages.push_back(Errors::make(5701, {entry.name}));
    return o;
}

StatementOutcome Session::runSet(const std::vector<Token>& t) {
    if (t.size() >= 3 && t[1].isWord("IMPLICIT_TRANSACTIONS"))
        m_implicit = t[2].isWord("ON");
    else if (t.size() >= 3 && t[1].isWord("NOCOUNT"))
        m_noCount = t[2].isWord("ON");
    else if (t.size() >= 2 && t[1].kind == Token::Kind::Variable)
        return failed({Errors::make(137, {t[1].text})});
    // Isolation levels and the other options change nothing observable here: readers see the
    // last committed state (WAL) whatever level is asked for.
    return StatementOutcome{};
}

StatementOutcome Session::runBegin() {
    ++m_tranCount;
    return StatementOutcome{};
}

StatementOutcome Session::runCommit() {
    if (m_tranCount == 0)
        return failed({Errors::make(3902)});
    StatementOutcome o;
    if (--m_tranCount == 0) {
        endTransactions(true, o.messages);
        o.error = !o.messages.empty();
    }
    return o;
}

StatementOutcome Session::runRollback() {
    if (m_tranCount == 0)
        return failed({Errors::make(3903)});
    StatementOutcome o;
    m_tranCount = 0;
    endTransactions(false, o.messages);
    return o;
}

} // namespace standin
