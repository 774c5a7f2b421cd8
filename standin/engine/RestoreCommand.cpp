#include "standin/engine/RestoreCommand.h"

#include "standin/engine/BackupFile.h"
#include "standin/engine/DatabaseCommands.h"
#include "standin/engine/Errors.h"
#include "standin/engine/MasterCatalogue.h"
#include "standin/engine/Session.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace standin {

namespace {

struct Request {
    bool fileListOnly = false;
    std::string database;
    std::string disk;
    std::vector<std::pair<std::string, std::string>> moves; // logical -> path
    bool replace = false;
};

bool parse(const std::vector<Token>& t, Request& r, std::string& near) {
    std::size_t i = 1;
    if (i < t.size() && t[i].isWord("FILELISTONLY")) {
        r.fileListOnly = true;
        ++i;
    } else if (i + 1 < t.size() && t[i].isWord("DATABASE") && t[i + 1].isName()) {
        r.database = t[i + 1].text;
        i += 2;
    } else {
        near = i < t.size() ? t[i].text : t.back().text;
        return false;
    }
    if (!(i + 3 < t.size() && t[i].isWord("FROM") && t[i + 1].isWord("DISK") &&
          t[i + 2].isSymbol("=") && t[i + 3].kind == Token::Kind::String)) {
        near = i < t.size() ? t[i].text : t.back().text;
        return false;
    }
    r.disk = t[i + 3].text;
    i += 4;
    if (i == t.size())
        return true;
    if (!t[i].isWord("WITH")) {
        near = t[i].text;
        return false;
    }
    for (++i; i < t.size(); ++i) {
        if (t[i].isSymbol(","))
            continue;
        if (t[i].isWord("MOVE") && i + 3 < t.size() && t[i + 1].kind == Token::Kind::String &&
            t[i + 2].isWord("TO") && t[i + 3].kind == Token::Kind::String) {
            r.moves.emplace_back(t[i + 1].text, t[i + 3].text);
            i += 3;
        } else if (t[i].isWord("REPLACE")) {
            r.replace = true;
        } else if (t[i].isWord("RECOVERY") || t[i].isWord("NOUNLOAD") || t[i].isWord("UNLOAD") ||
                   t[i].isWord("NOREWIND") || t[i].isWord("REWIND")) {
        } else if ((t[i].isWord("STATS") || t[i].isWord("FILE"))) {
            if (i + 2 < t.size() && t[i + 1].isSymbol("="))
                i += 2;
        } else {
            near = t[i].text;
            return false;
        }
    }
    return true;
}

StatementOutcome failed(std::vector<Message> messages) {
    messages.push_back(Errors::make(3013));
    StatementOutcome o;
    o.error = true;
    o.messages = std::move(messages);
    return o;
}

std::string canonical(const std::string& local) {
    std::error_code ec;
    const fs::path p = fs::weakly_canonical(fs::absolute(local), ec);
    return ec ? local : p.string();
}

std::string temporaryName(const std::string& target) {
    static unsigned counter = 0;
    const fs::path p(target);
    return (p.parent_path() / ("." + p.filename().string() + ".restoring-" +
                               std::to_string(::getpid()) + "-" + std::to_string(++counter)))
        .string();
}

ColumnInfo column(const char* name, SqlType type, int width) {
    ColumnInfo c;
    c.name = name;
    c.type = type;
    c.maxChars = width;
    return c;
}

std::vector<ColumnInfo> fileListColumns() {
    return {column("LogicalName", SqlType::NVarChar, 128),
            column("PhysicalName", SqlType::NVarChar, 260),
            column("Type", SqlType::VarChar, 1),
            column("FileGroupName", SqlType::NVarChar, 128),
            column("Size", SqlType::BigInt, 0),
            column("MaxSize", SqlType::BigInt, 0)};
}

} // namespace

bool RestoreCommand::describe(const std::vector<Token>& t, std::vector<ColumnInfo>& columns) {
    if (t.size() < 2 || !t[1].isWord("FILELISTONLY"))
        return false;
    columns = fileListColumns();
    return true;
}

StatementOutcome RestoreCommand::run(Session& session, const std::vector<Token>& t) {
    MasterCatalogue& cat = session.catalogue();
    Request r;
    std::string near;
    if (!parse(t, r, near)) {
        StatementOutcome o;
        o.error = true;
        o.messages.push_back(Errors::make(102, {near}));
        return o;
    }
    if (session.tranCount() > 0)
        return failed({Errors::make(3021)});
    const auto start = std::chrono::steady_clock::now();
    const std::string backupFile = cat.localPath(r.disk);
    BackupFile::Header h;
    switch (BackupFile::readHeader(backupFile, h)) {
    case BackupFile::ReadStatus::Missing:
        return failed({Errors::make(3201, {r.disk})});
    case BackupFile::ReadStatus::Malformed:
        return failed({Errors::make(3241, {r.disk})});
    case BackupFile::ReadStatus::Ok:
        break;
    }
    if (r.fileListOnly) {
        StatementOutcome o;
        o.hasResultSet = true;
        o.columns = fileListColumns();
        const auto size = static_cast<std::int64_t>(h.dataSize);
        o.rows.push_back({Value::string(h.dataLogical), Value::string(h.dataPath),
                          Value::string("D"), Value::string("PRIMARY"), Value::integer(size),
                          Value::integer(35184372080640LL)});
        o.rows.push_back({Value::string(h.logLogical), Value::string(h.logPath), Value::string("L"),
                          Value::null(), Value::integer(8192), Value::integer(35184372080640LL)});
        o.hasCount = true;
        o.count = 2;
        o.curcmd = CmdSelect;
        return o;
    }

    std::vector<Message> problems;
    std::string dataTarget = h.dataPath, logTarget = h.logPath;
    for (const auto& [logical, path] : r.moves) {
        if (Tokenizer::equalsNoCase(logical, h.dataLogical))
            dataTarget = path;
        else if (Tokenizer::equalsNoCase(logical, h.logLogical))
            logTarget = path;
        else
            problems.push_back(Errors::make(3234, {logical, r.database}));
    }
    if (!problems.empty())
        return failed(problems);

    auto lock = cat.lockDdl();
    DatabaseEntry existing;
    const bool exists = cat.find(r.database, existing);
    if (exists && !r.replace)
        return failed({Errors::makeWithState(3154, 4, {existing.name})});
    if (exists) {
        session.releaseIdleConnections();
        if (Tokenizer::equalsNoCase(session.currentDatabase(), existing.name) ||
            cat.useCount(existing.name) > 0 || Tokenizer::equalsNoCase(existing.name, "master"))
            return failed({Errors::make(3101)});
    }

    struct File {
        std::string logical, shown, local;
    };
    const File files[2] = {{h.dataLogical, dataTarget, cat.localPath(dataTarget)},
                           {h.logLogical, logTarget, cat.localPath(logTarget)}};
    std::vector<std::string> replaced; // files of the database being replaced
    if (exists)
        replaced = {canonical(cat.localPath(existing.dataPath)),
                    canonical(cat.localPath(existing.logPath))};
    for (int k = 0; k < 2; ++k) {
        const File& f = files[k];
        const std::string target = canonical(f.local);
        if (!fs::is_directory(fs::path(f.local).parent_path().empty()
                                  ? fs::path(".")
                                  : fs::path(f.local).parent_path())) {
            problems.push_back(Errors::make(5133, {f.shown}));
            problems.push_back(Errors::make(3156, {f.logical, f.shown}));
            continue;
        }
        std::string user;
        for (const DatabaseEntry& other : cat.all()) {
            if (exists && other.dbid == existing.dbid)
                continue;
            const bool isMaster = Tokenizer::equalsNoCase(other.name, "master");
            for (const std::string& p :
                 {isMaster ? cat.masterFile() : cat.localPath(other.dataPath),
                  cat.localPath(other.logPath)})
                if (!p.empty() && canonical(p) == target)
                    user = other.name;
        }
        if (k == 1 && target == canonical(files[0].local))
            user = r.database;
        if (!user.empty()) {
            problems.push_back(Errors::make(1834, {f.shown, user}));
            problems.push_back(Errors::makeWithState(3156, 4, {f.logical, f.shown}));
            continue;
        }
        const bool ours = std::find(replaced.begin(), replaced.end(), target) != replaced.end();
        if (fs::exists(f.local) && !ours && !r.replace) {
            problems.push_back(Errors::make(3142, {f.logical, f.shown}));
            continue;
        }
    }
    if (!problems.empty()) {
        problems.push_back(Errors::make(3119));
        return failed(problems);
    }

    // Write both files under temporary names beside their targets, then rename.
    const std::string dataTmp = temporaryName(files[0].local);
    const std::string logTmp = temporaryName(files[1].local);
    bool ok = BackupFile::copyData(backupFile, h, dataTmp);
    if (ok) {
        std::ofstream log(logTmp, std::ios::binary);
        log << "log of database " << r.database << "\n";
        log.close();
        ok = static_cast<bool>(log);
    }
    std::error_code ec;
    if (ok) {
        // A WAL left beside an overwritten file would be replayed into the new one.
        for (const char* suffix : {"-wal", "-shm"})
            fs::remove(files[0].local + suffix, ec);
        ok = std::rename(dataTmp.c_str(), files[0].local.c_str()) == 0;
        if (ok && std::rename(logTmp.c_str(), files[1].local.c_str()) != 0) {
            fs::remove(files[0].local, ec);
            ok = false;
        }
    }
    std::string error;
    DatabaseEntry entry;
    entry.name = r.database;
    entry.dataPath = dataTarget;
    entry.logPath = logTarget;
    entry.dataLogical = h.dataLogical;
    entry.logLogical = h.logLogical;
    if (ok && exists) {
        cat.remove(existing.name, error);
        for (const std::string& old : replaced)
            if (old != canonical(files[0].local) && old != canonical(files[1].local))
                DatabaseCommands::removeFiles(old, "");
    }
    if (ok && !cat.add(entry, error)) {
        DatabaseCommands::removeFiles(files[0].local, files[1].local);
        ok = false;
    }
    if (!ok) {
        fs::remove(dataTmp, ec);
        fs::remove(logTmp, ec);
        return failed({Errors::make(3202, {r.disk, "112"})});
    }

    const long dataPages = static_cast<long>((h.dataSize + 8191) / 8192);
    const long logPages = 1;
    const double secs =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long ms = static_cast<long>(secs * 1000);
    const double rate = secs > 0 ? (dataPages + logPages) * 8192.0 / 1048576.0 / secs : 0.0;
    char timeText[32], rateText[32];
    std::snprintf(timeText, sizeof timeText, "%ld.%03ld", ms / 1000, ms % 1000);
    std::snprintf(rateText, sizeof rateText, "%.3f", rate);
    StatementOutcome o;
    o.messages.push_back(
        Errors::make(4035, {std::to_string(dataPages), r.database, h.dataLogical}));
    o.messages.push_back(Errors::make(4035, {std::to_string(logPages), r.database, h.logLogical}));
    o.messages.push_back(
        Errors::make(3014, {std::to_string(dataPages + logPages), timeText, rateText}));
    return o;
}

} // namespace standin
