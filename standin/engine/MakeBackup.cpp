// make-backup: runs data scripts on a private, throw-away server and backs the result up.

#include "standin/engine/DatabaseCommands.h"
#include "standin/engine/EngineSession.h"
#include "standin/engine/MasterCatalogue.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace standin {

namespace {

std::string trim(const std::string& s) {
    const auto b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos)
        return "";
    return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

// Splits a script into batches at GO lines, as sqlcmd does. sqlcmd's own commands (":on error
// exit", ":setvar") are for sqlcmd only and are skipped.
std::vector<std::string> batches(const std::string& script) {
    std::vector<std::string> out;
    std::istringstream in(script);
    std::string line, current;
    while (std::getline(in, line)) {
        const std::string t = trim(line);
        std::string upper = t;
        for (char& c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (upper == "GO" || upper.rfind("GO ", 0) == 0) {
            out.push_back(current);
            current.clear();
        } else if (!t.empty() && t[0] == ':') {
            continue;
        } else {
            current += line + "\n";
        }
    }
    if (!trim(current).empty())
        out.push_back(current);
    return out;
}

std::string describe(const Message& m) {
    return "Msg " + std::to_string(m.number) + ": " + m.text;
}

} // namespace

int makeBackup(const std::string& database, const std::string& outFile,
               const std::vector<std::string>& scripts, std::string& error) {
    std::string tmpl = (fs::temp_directory_path() / "standin-make-backup-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) {
        error = "Msg 0: cannot create a temporary directory";
        return 1;
    }
    const std::string root = tmpl;
    int rc = 0;
    {
        // Paths in the scripts ("c:\vqbuild\hotel_data.mdf") live under <root>/drive.
        MasterCatalogue catalogue(root + "/master", "", root + "/drive");
        std::string openError;
        if (!catalogue.init(openError)) {
            error = "Msg 0: " + openError;
            rc = 1;
        }
        std::unique_ptr<EngineSession> session;
        if (rc == 0) {
            session = EngineSession::create(catalogue);
            std::vector<Message> messages;
            if (!session->login("sa", "", "master", messages)) {
                error = messages.empty() ? "Msg 0: login failed" : describe(messages.front());
                rc = 1;
            }
        }
        for (std::size_t s = 0; rc == 0 && s < scripts.size(); ++s) {
            std::ifstream in(scripts[s], std::ios::binary);
            if (!in) {
                error = "Msg 0: cannot read " + scripts[s];
                rc = 1;
                break;
            }
            std::stringstream content;
            content << in.rdbuf();
            for (const std::string& batch : batches(content.str())) {
                for (const StatementOutcome& o : session->execute(batch, {}))
                    for (const Message& m : o.messages)
                        if (m.isError() && rc == 0) {
                            error = describe(m) + " (" + scripts[s] + ")";
                            rc = 1;
                        }
                if (rc != 0)
                    break;
            }
        }
        if (rc == 0 && session->tranCount() > 0) {
            error = "Msg 0: the scripts left a transaction open";
            rc = 1;
        }
        if (session)
            session->close();
        session.reset();
        if (rc == 0) {
            std::vector<Message> messages;
            auto lock = catalogue.lockDdl();
            if (!DatabaseCommands::backupTo(catalogue, database, outFile, outFile, messages)) {
                error = describe(messages.front());
                rc = 1;
            }
        }
    }
    std::error_code ec;
    fs::remove_all(root, ec);
    return rc;
}

} // namespace standin
