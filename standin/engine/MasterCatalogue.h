#pragma once

#include "standin/engine/Catalogue.h"

#include <sqlite3.h>

#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace standin {

// A database as master.dbo.sysdatabases and sysaltfiles record it. Paths are kept as the
// statement gave them (Windows style), as SQL Server shows them.
struct DatabaseEntry {
    std::string name;
    int dbid = 0;
    std::string dataPath;
    std::string logPath;
    std::string dataLogical;
    std::string logLogical;
};

// The Catalogue behind Catalogue::open: master is itself a SQLite file (<root>/master.mdf)
// holding sysdatabases, sysaltfiles and sysobjects, so sessions read it with plain SQL.
class MasterCatalogue : public Catalogue {
  public:
    MasterCatalogue(std::string root, std::string saPassword, std::string pathRoot);
    ~MasterCatalogue() override;
    bool init(std::string& error);

    bool checkPassword(const std::string& login, const std::string& password) const override;
    bool databaseExists(const std::string& name) const override;

    const std::string& root() const { return m_root; }
    std::string masterFile() const { return m_root + "/master.mdf"; }
    // Where a path named in a statement lives on this machine. make-backup maps every such
    // path below its private root (pathRoot), so scripts never write outside it.
    std::string localPath(const std::string& statementPath) const;
    // make-backup's private root has no drives: directories named by scripts are created.
    bool createsDirectories() const { return !m_pathRoot.empty(); }

    bool find(const std::string& name, DatabaseEntry& entry) const;
    std::vector<DatabaseEntry> all() const;
    // Registers a database; dbid is assigned. False with error on failure.
    bool add(DatabaseEntry& entry, std::string& error);
    bool remove(const std::string& name, std::string& error);

    // CREATE/DROP DATABASE, BACKUP and RESTORE run one at a time.
    std::unique_lock<std::recursive_mutex> lockDdl() {
        return std::unique_lock<std::recursive_mutex>(m_ddl);
    }

    // How many sessions have a database open (RESTORE ... REPLACE and DROP need none).
    void acquire(const std::string& name);
    void release(const std::string& name);
    int useCount(const std::string& name) const;

  private:
    std::string m_root;
    std::string m_password;
    std::string m_pathRoot;
    sqlite3* m_db = nullptr;
    mutable std::mutex m_mutex; // guards m_db and m_uses
    std::recursive_mutex m_ddl;
    std::map<std::string, int> m_uses;
};

} // namespace standin
