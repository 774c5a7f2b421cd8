// sqlserver-standin: serves TDS 7.1 on a port, or builds a backup file from scripts.
#include "standin/engine/Catalogue.h"
#include "standin/engine/EngineSession.h"
#include "standin/tds/Server.h"
#include "standin/tds/StatementLog.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <sys/signalfd.h>
#include <vector>

namespace {

int usage() {
    std::cerr
        << "usage: sqlserver-standin --listen HOST:PORT [--listen HOST:PORT]... --root DIR\n"
           "                         [--sa-password PW] [--log-statements FILE]\n"
           "       sqlserver-standin make-backup --database NAME --out FILE SCRIPT...\n"
           "\n"
           "  --listen HOST:PORT     an address to serve (a host must be named; port 0 picks a\n"
           "                         free one). Once every address accepts connections, prints\n"
           "                         'ready HOST:PORT' for each, in the order given; exits\n"
           "                         non-zero when one cannot be served.\n"
           "  --log-statements FILE  appends every statement text the server runs (SQL batches,\n"
           "                         and the statement of sp_executesql, sp_prepexec and each\n"
           "                         sp_execute), exactly as received, in arrival order: each\n"
           "                         text, a new line, then a line holding only the record\n"
           "                         separator character (0x1E).\n";
    return 2;
}

// "HOST:PORT" or "[v6-address]:PORT".
bool splitAddress(const std::string& address, std::string& host, std::uint16_t& port) {
    const std::size_t colon = address.rfind(':');
    if (colon == std::string::npos || colon + 1 == address.size())
        return false;
    host = address.substr(0, colon);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    const std::string digits = address.substr(colon + 1);
    if (digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 5)
        return false;
    const unsigned long value = std::stoul(digits);
    if (value > 65535)
        return false;
    port = static_cast<std::uint16_t>(value);
    return true;
}

int makeBackup(int argc, char** argv) {
    std::string database, out;
    std::vector<std::string> scripts;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--database" && i + 1 < argc)
            database = argv[++i];
        else if (arg == "--out" && i + 1 < argc)
            out = argv[++i];
        else if (arg.rfind("--", 0) == 0)
            return usage();
        else
            scripts.push_back(arg);
    }
    if (database.empty() || out.empty() || scripts.empty())
        return usage();
    std::string error;
    const int rc = standin::makeBackup(database, out, scripts, error);
    if (rc != 0) {
        std::cerr << "make-backup: " << error << "\n";
        return rc > 0 && rc < 256 ? rc : 1;
    }
    return 0;
}

int serve(int argc, char** argv) {
    std::string root, password, logFile;
    std::vector<std::string> listens;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc)
            return usage();
        if (arg == "--listen")
            listens.push_back(argv[++i]);
        else if (arg == "--root")
            root = argv[++i];
        else if (arg == "--sa-password")
            password = argv[++i];
        else if (arg == "--log-statements")
            logFile = argv[++i];
        else
            return usage();
    }
    std::vector<std::pair<std::string, std::uint16_t>> addresses;
    for (const std::string& listen : listens) {
        std::string host;
        std::uint16_t port = 0;
        if (!splitAddress(listen, host, port))
            return usage();
        if (host.empty()) {
            std::cerr << "sqlserver-standin: --listen " << listen << ": name the host\n";
            return 2;
        }
        addresses.emplace_back(host, port);
    }
    if (root.empty() || addresses.empty())
        return usage();

    // Block the stop signals before any thread exists so every thread inherits the mask and
    // only the signalfd sees them; a peer closing mid-write must not kill us either.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    const int stopFd = signalfd(-1, &stopSignals, SFD_CLOEXEC);
    if (stopFd < 0) {
        std::perror("signalfd");
        return 1;
    }

    std::string error;
    std::unique_ptr<standin::Catalogue> catalogue = standin::Catalogue::open(root, password, error);
    if (!catalogue) {
        std::cerr << "sqlserver-standin: " << error << "\n";
        return 1;
    }
    standin::tds::StatementLog log;
    if (!logFile.empty() && !log.open(logFile, error)) {
        std::cerr << "sqlserver-standin: " << error << "\n";
        return 1;
    }
    {
        standin::tds::Server server(*catalogue);
        if (!logFile.empty())
            server.setStatementLog(&log);
        // All addresses are bound before the first "ready": a caller that falls back on a
        // failure never sees a half-started server.
        for (const auto& [host, port] : addresses) {
            if (!server.listen(host, port, error)) {
                std::cerr << "sqlserver-standin: " << error << "\n";
                return 1;
            }
        }
        for (std::size_t i = 0; i < addresses.size(); ++i)
            std::cout << "ready " << addresses[i].first << ":" << server.port(i) << "\n";
        std::cout.flush();
        server.run(stopFd);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "make-backup") == 0)
        return makeBackup(argc, argv);
    return serve(argc, argv);
}
