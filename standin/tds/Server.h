#pragma once

#include "standin/engine/Catalogue.h"

#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace standin::tds {

class Connection;
class StatementLog;

// Accepts clients and serves each on its own thread until told to stop; stopping ends
// every connection (each rolls back its open work) before run() returns.
class Server {
  public:
    explicit Server(Catalogue& catalogue);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Adds an address to serve (may be called several times). Port 0 picks a free port;
    // port(index) then tells which, index counting the successful listen() calls.
    bool listen(const std::string& host, std::uint16_t port, std::string& error);
    std::uint16_t port(std::size_t index = 0) const { return m_listeners.at(index).port; }
    // Every connection accepted from now on records its statements there.
    void setStatementLog(StatementLog* log) { m_log = log; }

    // Serves until stopFd becomes readable (a signalfd or a pipe).
    void run(int stopFd);

  private:
    struct Listener {
        int fd = -1;
        std::uint16_t port = 0;
    };
    struct Client {
        std::unique_ptr<Connection> connection;
        std::thread thread;
    };
    void accept(int listenFd);
    void reapFinished();
    void stopAll();
    std::uint16_t nextSpid();

    Catalogue& m_catalogue;
    std::string m_hostName;
    std::vector<Listener> m_listeners;
    StatementLog* m_log = nullptr;
    std::uint16_t m_lastSpid = 50;
    std::vector<Client> m_clients;
};

} // namespace standin::tds
