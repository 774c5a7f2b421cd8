#include "standin/engine/MasterCatalogue.h"

#include "services/platform/WindowsPath.h"
#include "standin/engine/SqliteConnection.h"
#include "standin/engine/SystemTables.h"
#include "standin/engine/Tokenizer.h"

#include <filesystem>

namespace standin {

namespace {

const char* kMasterSchema = R"(
CREATE TABLE IF NOT EXISTS sysdatabases (
  name nvarchar(128) COLLATE NOCASE NOT NULL UNIQUE,
  dbid smallint NOT NULL PRIMARY KEY,
  mode smallint, status int, status2 int,
  crdate datetime, reserved datetime, category int, cmptlevel tinyint,
  filename nvarchar(260) COLLATE NOCASE, version smallint);
CREATE TABLE IF NOT EXISTS sysaltfiles (
  fileid smallint NOT NULL, groupid smallint, size int, maxsize int, growth int, status int,
  perf int, dbid smallint NOT NULL, name nvarchar(128) COLLATE NOCASE NOT NULL,
  filename nvarchar(260) COLLATE NOCASE NOT NULL, PRIMARY KEY (dbid, fileid));
)";

std::string columnText(sqlite3_stmt* st, int i) {
    const unsigned char* t = sqlite3_column_text(st, i);
    return t ? reinterpret_cast<const char*>(t) : "";
}

// Runs work (which returns false on a failed statement) inside BEGIN IMMEDIATE ... COMMIT;
// on failure the statement's error is kept and everything is rolled back.
template <typename Work> bool inTransaction(sqlite3* db, std::string& error, Work work) {
    if (!SqliteConnection::exec(db, "BEGIN IMMEDIATE", error))
        return false;
    if (!work()) {
        error = sqlite3_errmsg(db);
        std::string ignored;
        SqliteConnection::exec(db, "ROLLBACK", ignored);
        return false;
    }
    return SqliteConnection::exec(db, "COMMIT", error);
}

} // namespace

std::unique_ptr<Catalogue> Catalogue::open(const std::string& root, const std::string& saPassword,
                                           std::string& error) {
    auto catalogue = std::make_unique<MasterCatalogue>(root, saPassword, std::string());
    if (!catalogue->init(error))
        return nullptr;
    return catalogue;
}

MasterCatalogue::MasterCatalogue(std::string root, std::string saPassword, std::string pathRoot)
    : m_root(std::move(root)), m_password(std::move(saPassword)), m_pathRoot(std::move(pathRoot)) {}

MasterCatalogue::~MasterCatalogue() {
    SqliteConnection::close(m_db);
}

bool MasterCatalogue::init(std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(m_root, ec);
    if (!std::filesystem::is_directory(m_root)) {
        error = "cannot use root directory " + m_root;
        return false;
    }
    const bool fresh = !std::filesystem::exists(masterFile());
    m_db = SqliteConnection::open(masterFile(), true, error);
    if (!m_db)
        return false;
    if (!SqliteConnection::exec(m_db, kMasterSchema, error))
        return false;
    if (fresh) {
        if (!SystemTables::create(m_db, error))
            return false;
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(m_db,
                           "INSERT INTO sysdatabases (name, dbid, mode, status, status2, crdate, "
                           "category, cmptlevel, filename, version) VALUES "
                           "('master', 1, 0, 24, 1090520064, ?1, 0, 80, ?2, 539)",
                           -1, &st, nullptr);
        const std::string now = SqliteConnection::now();
        sqlite3_bind_text(st, 1, now.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, masterFile().c_str(), -1, SQLITE_TRANSIENT);
        const int rc = sqlite3_step(st);
        sqlite3_finalize(st);
        if (rc != SQLITE_DONE) {
            error = sqlite3_errmsg(m_db);
            return false;
        }
    }
    return true;
}

bool MasterCatalogue::checkPassword(const std::string& login, const std::string& password) const {
    return Tokenizer::equalsNoCase(login, "sa") && password == m_password;
}

bool MasterCatalogue::databaseExists(const std::string& name) const {
    DatabaseEntry e;
    return find(name, e);
}

std::string MasterCatalogue::localPath(const std::string& statementPath) const {
    if (m_pathRoot.empty())
        return WindowsPath::toLocal(statementPath);
    // make-backup: drives live under its private root by the shared rule, and so does the rest.
    const std::string local = WindowsPath::toLocal(statementPath, m_pathRoot);
    if (WindowsPath::hasDrive(statementPath))
        return local;
    return m_pathRoot + (local.empty() || local[0] != '/' ? "/" : "") + local;
}

bool MasterCatalogue::find(const std::string& name, DatabaseEntry& entry) const {
    for (const DatabaseEntry& e : all())
        if (Tokenizer::equalsNoCase(e.name, name)) {
            entry = e;
            return true;
        }
    return false;
}

std::vector<DatabaseEntry> MasterCatalogue::all() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<DatabaseEntry> out;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(
            m_db,
            "SELECT d.name, d.dbid, d.filename, "
            "(SELECT filename FROM sysaltfiles f WHERE f.dbid = d.dbid AND fileid = 2), "
            "(SELECT name FROM sysaltfiles f WHERE f.dbid = d.dbid AND fileid = 1), "
            "(SELECT name FROM sysaltfiles f WHERE f.dbid = d.dbid AND fileid = 2) "
            "FROM sysdatabases d ORDER BY d.dbid",
            -1, &st, nullptr) != SQLITE_OK)
        return out;
    while (sqlite3_step(st) == SQLITE_ROW) {
        DatabaseEntry e;
        e.name = columnText(st, 0);
        e.dbid = sqlite3_column_int(st, 1);
        e.dataPath = columnText(st, 2);
        e.logPath = columnText(st, 3);
        e.dataLogical = columnText(st, 4);
        e.logLogical = columnText(st, 5);
        out.push_back(e);
    }
    sqlite3_finalize(st);
    return out;
}

bool MasterCatalogue::add(DatabaseEntry& entry, std::string& error) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return inTransaction(m_db, error, [&] {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(m_db, "SELECT coalesce(max(dbid), 4) + 1 FROM sysdatabases", -1, &st,
                           nullptr);
        sqlite3_step(st);
        entry.dbid = sqlite3_column_int(st, 0);
        sqlite3_finalize(st);
        if (entry.dbid < 5)
            entry.dbid = 5; // 1-4 are the system databases' numbers
        const std::string now = SqliteConnection::now();
        bool ok = sqlite3_prepare_v2(m_db,
                                     "INSERT INTO sysdatabases (name, dbid, mode, status, status2, "
                                     "crdate, category, cmptlevel, filename, version) VALUES "
                                     "(?1, ?2, 0, 16, 1090519040, ?3, 0, 80, ?4, 539)",
                                     -1, &st, nullptr) == SQLITE_OK;
        if (ok) {
            sqlite3_bind_text(st, 1, entry.name.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int(st, 2, entry.dbid);
            sqlite3_bind_text(st, 3, now.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(st, 4, entry.dataPath.c_str(), -1, SQLITE_TRANSIENT);
            ok = sqlite3_step(st) == SQLITE_DONE;
        }
        sqlite3_finalize(st);
        for (int fileid = 1; ok && fileid <= 2; ++fileid) {
            ok = sqlite3_prepare_v2(
                     m_db,
                     "INSERT INTO sysaltfiles (fileid, groupid, size, maxsize, growth, "
                     "status, perf, dbid, name, filename) VALUES "
                     "(?1, ?2, 0, -1, 10, 32770, 0, ?3, ?4, ?5)",
                     -1, &st, nullptr) == SQLITE_OK;
            if (ok) {
                sqlite3_bind_int(st, 1, fileid);
                sqlite3_bind_int(st, 2, fileid == 1 ? 1 : 0);
                sqlite3_bind_int(st, 3, entry.dbid);
                const std::string& logical = fileid == 1 ? entry.dataLogical : entry.logLogical;
                const std::string& path = fileid == 1 ? entry.dataPath : entry.logPath;
                sqlite3_bind_text(st, 4, logical.c_str(), -1, SQLITE_TRANSIENT);
                sqlite3_bind_text(st, 5, path.c_str(), -1, SQLITE_TRANSIENT);
                ok = sqlite3_step(st) == SQLITE_DONE;
            }
            sqlite3_finalize(st);
        }
        return ok;
    });
}

bool MasterCatalogue::remove(const std::string& name, std::string& error) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return inTransaction(m_db, error, [&] {
        sqlite3_stmt* st = nullptr;
        const char* tail = nullptr;
        bool ok = true;
        for (const char* sql :
             {"DELETE FROM sysaltfiles WHERE dbid = (SELECT dbid FROM sysdatabases "
              "WHERE name = ?1)",
              "DELETE FROM sysdatabases WHERE name = ?1"}) {
            ok = ok && sqlite3_prepare_v2(m_db, sql, -1, &st, &tail) == SQLITE_OK;
            if (ok) {
                sqlite3_bind_text(st, 1, name.c_str(), -1, SQLITE_TRANSIENT);
                ok = sqlite3_step(st) == SQLITE_DONE;
            }
            sqlite3_finalize(st);
            st = nullptr;
        }
        return ok;
    });
}

void MasterCatalogue::acquire(const std::string& name) {
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_uses[Tokenizer::upper(name)];
}

void MasterCatalogue::release(const std::string& name) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_uses.find(Tokenizer::upper(name));
    if (it != m_uses.end() && --it->second <= 0)
        m_uses.erase(it);
}

int MasterCatalogue::useCount(const std::string& name) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_uses.find(Tokenizer::upper(name));
    return it == m_uses.end() ? 0 : it->second;
}

} // namespace standin
