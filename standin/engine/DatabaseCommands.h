#pragma once

#include "standin/engine/EngineTypes.h"
#include "standin/engine/Tokenizer.h"

#include <string>
#include <vector>

namespace standin {

class Session;
class MasterCatalogue;

// CREATE DATABASE, DROP DATABASE and BACKUP DATABASE.
class DatabaseCommands {
  public:
    static StatementOutcome create(Session& session, const std::vector<Token>& tokens);
    static StatementOutcome drop(Session& session, const std::vector<Token>& tokens);
    static StatementOutcome backup(Session& session, const std::vector<Token>& tokens);
    // Writes a backup of database to a local file: used by BACKUP and by make-backup.
    static bool backupTo(MasterCatalogue& catalogue, const std::string& database,
                         const std::string& localFile, const std::string& shownPath,
                         std::vector<Message>& messages);
    // Removes a database's files (data file with its WAL companions, log file).
    static void removeFiles(const std::string& dataFile, const std::string& logFile);
};

} // namespace standin
