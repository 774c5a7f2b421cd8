#include "standin/engine/DatabaseCommands.h"

#include "standin/engine/BackupFile.h"
#include "standin/engine/Errors.h"
#include "standin/engine/MasterCatalogue.h"
#include "standin/engine/Session.h"
#include "standin/engine/SqliteConnection.h"
#include "standin/engine/SystemTables.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace standin {

namespace {

StatementOutcome failed(std::vector<Message> messages) {
    StatementOutcome o;
    o.error = true;
    o.messages = std::move(messages);
    return o;
}

// One database file clause: ( NAME = x, FILENAME = 'p', SIZE = ... )
bool parseFileSpec(const std::vector<Token>& t, std::size_t& i, std::string& logical,
                   std::string& path) {
    if (i >= t.size() || !t[i].isSymbol("("))
        return false;
    for (++i; i < t.size() && !t[i].isSymbol(")"); ++i) {
        if (i + 2 < t.size() && t[i + 1].isSymbol("=")) {
            if (t[i].isWord("NAME"))
                logical = t[i + 2].text;
            else if (t[i].isWord("FILENAME"))
                path = t[i + 2].text;
            i += 2;
        }
    }
    if (i >= t.size())
        return false;
    ++i;
    return true;
}

std::string directoryOf(const std::string& localFile) {
    return fs::path(localFile).parent_path().string();
}

} // namespace

void DatabaseCommands::removeFiles(const std::string& dataFile, const std::string& logFile) {
    std::error_code ec;
    for (const std::string& f : {dataFile, dataFile + "-wal", dataFile + "-shm", logFile})
        if (!f.empty())
            fs::remove(f, ec);
}

StatementOutcome DatabaseCommands::create(Session& session, const std::vector<Token>& t) {
    MasterCatalogue& cat = session.catalogue();
    if (session.tranCount() > 0)
        return failed({Errors::make(226, {"CREATE DATABASE"})});
    if (t.size() < 3 || !t[2].isName())
        return failed({Errors::make(102, {t.back().text})});
    DatabaseEntry entry;
    entry.name = t[2].text;
    std::size_t i = 3;
    if (i < t.size() && t[i].isWord("ON")) {
        ++i;
        if (i < t.size() && t[i].isWord("PRIMARY"))
            ++i;
        if (!parseFileSpec(t, i, entry.dataLogical, entry.dataPath))
            return failed({Errors::make(102, {i < t.size() ? t[i].text : t.back().text})});
        if (i + 1 < t.size() && t[i].isWord("LOG") && t[i + 1].isWord("ON")) {
            i += 2;
            if (!parseFileSpec(t, i, entry.logLogical, entry.logPath))
                return failed({Errors::make(102, {i < t.size() ? t[i].text : t.back().text})});
        }
    }
    // The stand-in has one collation, Chinese_PRC_CI_AS's rules; a COLLATE clause is taken as
    // naming it. Anything else after the files is a syntax error, as on SQL Server.
    if (i + 1 < t.size() && t[i].isWord("COLLATE") && t[i + 1].isName())
        i += 2;
    if (i < t.size())
        return failed({Errors::make(102, {t[i].text})});
    if (entry.dataLogical.empty())
        entry.dataLogical = entry.name;
    if (entry.logLogical.empty())
        entry.logLogical = entry.name + "_log";
    if (entry.dataPath.empty())
        entry.dataPath = cat.root() + "/" + entry.name + ".mdf";
    if (entry.logPath.empty())
        entry.logPath = cat.root() + "/" + entry.name + "_log.ldf";

    StatementOutcome waited;
    if (!session.lockCatalogue(waited))
        return waited;
    auto lock = cat.lockDdl();
    if (cat.databaseExists(entry.name))
        return failed({Errors::make(1801, {entry.name})});
    const std::string dataFile = cat.localPath(entry.dataPath);
    const std::string logFile = cat.localPath(entry.logPath);
    for (const auto& [local, shown] :
         {std::pair{dataFile, entry.dataPath}, {logFile, entry.logPath}}) {
        std::error_code ec;
        if (cat.createsDirectories())
            fs::create_directories(directoryOf(local), ec);
        if (!fs::is_directory(directoryOf(local)))
            return failed({Errors::make(5133, {shown}), Errors::make(1802)});
        if (fs::exists(local))
            return failed({Errors::make(5170, {shown}), Errors::make(1802)});
    }
    std::string error;
    sqlite3* h = SqliteConnection::open(dataFile, true, error);
    bool ok = h && SystemTables::create(h, error);
    SqliteConnection::close(h);
    if (ok) {
        std::ofstream log(logFile, std::ios::binary);
        log << "log of database " << entry.name << "\n";
        ok = static_cast<bool>(log);
    }
    ok = ok && cat.add(entry, error);
    if (!ok) {
        removeFiles(dataFile, logFile);
        return failed({Errors::make(5105, {entry.dataPath}), Errors::make(1802)});
    }
    return StatementOutcome{};
}

StatementOutcome DatabaseCommands::drop(Session& session, const std::vector<Token>& t) {
    MasterCatalogue& cat = session.catalogue();
    if (session.tranCount() > 0)
        return failed({Errors::make(226, {"DROP DATABASE"})});
    // The names, separated by commas; a syntax error anywhere drops nothing, as on SQL Server.
    std::vector<std::string> names;
    for (std::size_t i = 2; i < t.size(); i += 2) {
        if (!t[i].isName())
            return failed({Errors::make(102, {t[i].text})});
        names.push_back(t[i].text);
        if (i + 1 < t.size() && (!t[i + 1].isSymbol(",") || i + 2 >= t.size()))
            return failed({Errors::make(102, {t[i + 1].text})});
    }
    if (names.empty())
        return failed({Errors::make(102, {t.back().text})});
    StatementOutcome o;
    for (const std::string& name : names) {
        if (!session.lockCatalogue(o))
            return o;
        auto lock = cat.lockDdl();
        DatabaseEntry entry;
        if (!cat.find(name, entry)) {
            o.messages.push_back(Errors::make(103701, {name}));
            o.error = true;
            return o;
        }
        if (MasterCatalogue::isSystemDatabase(entry)) {
            o.messages.push_back(Errors::make(3708, {entry.name}));
            o.error = true;
            return o;
        }
        session.releaseIdleConnections();
        if (Tokenizer::equalsNoCase(session.currentDatabase(), entry.name) ||
            cat.useCount(entry.name) > 0) {
            o.messages.push_back(Errors::make(3702, {entry.name}));
            o.error = true;
            return o;
        }
        std::string error;
        if (!cat.remove(entry.name, error)) {
            o.messages.push_back(Errors::make(50000, {error}));
            o.error = true;
            return o;
        }
        removeFiles(cat.localPath(entry.dataPath), cat.localPath(entry.logPath));
        Message m;
        m.number = 0;
        m.severity = 0;
        m.text = "Deleting database file '" + entry.logPath + "'.";
        o.messages.push_back(m);
        m.text = "Deleting database file '" + entry.dataPath + "'.";
        o.messages.push_back(m);
    }
    return o;
}

bool DatabaseCommands::backupTo(MasterCatalogue& cat, const std::string& database,
                                const std::string& localFile, const std::string& shownPath,
                                std::vector<Message>& messages) {
    DatabaseEntry entry;
    if (!cat.find(database, entry)) {
        messages = {Errors::make(911, {database}), Errors::make(103013)};
        return false;
    }
    if (entry.dbid == MasterCatalogue::kTempdbId) {
        messages = {Errors::make(3147), Errors::make(103013)};
        return false;
    }
    if (!fs::is_directory(directoryOf(fs::absolute(localFile).string()))) {
        messages = {Errors::make(103201, {shownPath}), Errors::make(103013)};
        return false;
    }
    const auto start = std::chrono::steady_clock::now();
    const std::string dataFile = cat.dataFile(entry);
    // A consistent copy of the committed state, WAL included.
    const std::string snapshot = localFile + ".standin-snapshot";
    std::error_code ec;
    fs::remove(snapshot, ec);
    std::string error;
    sqlite3* h = SqliteConnection::open(dataFile, false, error);
    bool ok =
        h && SqliteConnection::exec(h, "VACUUM INTO " + SqlRewriter::quoteString(snapshot), error);
    SqliteConnection::close(h);
    BackupFile::Header header;
    header.database = entry.name;
    header.dataLogical = entry.dataLogical.empty() ? entry.name : entry.dataLogical;
    header.logLogical = entry.logLogical.empty() ? entry.name + "_log" : entry.logLogical;
    header.dataPath = entry.dataPath;
    header.logPath = entry.logPath;
    ok = ok && BackupFile::write(localFile, header, snapshot, error);
    fs::remove(snapshot, ec);
    if (!ok) {
        messages = {Errors::make(3202, {shownPath, "112"}), Errors::make(103013)};
        return false;
    }
    const long pages = static_cast<long>((fs::file_size(localFile, ec) + 8191) / 8192);
    const double secs =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    char timeText[32], rateText[32];
    std::snprintf(timeText, sizeof timeText, "%.3f", secs);
    std::snprintf(rateText, sizeof rateText, "%.3f",
                  secs > 0 ? pages * 8192.0 / 1048576.0 / secs : 0.0);
    messages.push_back(Errors::make(4035, {std::to_string(pages), entry.name, header.dataLogical}));
    messages.push_back(Errors::make(4035, {"1", entry.name, header.logLogical}));
    messages.push_back(Errors::make(103014, {std::to_string(pages + 1), timeText, rateText}));
    return true;
}

StatementOutcome DatabaseCommands::backup(Session& session, const std::vector<Token>& t) {
    // BACKUP DATABASE name TO DISK = 'path' [WITH ...]
    if (session.tranCount() > 0)
        return failed({Errors::make(3021), Errors::make(103013)});
    if (t.size() < 7 || !t[1].isWord("DATABASE") || !t[3].isWord("TO") || !t[4].isWord("DISK") ||
        !t[5].isSymbol("=") || t[6].kind != Token::Kind::String)
        return failed({Errors::make(102, {t.back().text})});
    MasterCatalogue& cat = session.catalogue();
    auto lock = cat.lockDdl();
    StatementOutcome o;
    o.error = !backupTo(cat, t[2].text, cat.localPath(t[6].text), t[6].text, o.messages);
    return o;
}

} // namespace standin
