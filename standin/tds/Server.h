#pragma once

#include "Catalogue.h"

#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace standin::tds {

class Connection;

// Accepts clients and serves each on its own thread until told to stop; stopping ends
// every connection (each rolls back its open work) before run() returns.
class Server {
  public:
    explicit Server(Catalogue& catalogue);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Port 0 picks a free port; port() then tells which.
    bool listen(const std::string& host, std::uint16_t port, std::string& error);
    std::uint16_t port() const { return m_port; }

    // Serves until stopFd becomes readable (a signalfd or a pipe).
    void run(int stopFd);

  private:
    struct Client {
        std::unique_ptr<Connection> connection;
        std::thread thread;
    };
    void reapFinished();
    void stopAll();
    std::uint16_t nextSpid();

    Catalogue& m_catalogue;
    std::string m_hostName;
    int m_listenFd = -1;
    std::uint16_t m_port = 0;
    std::uint16_t m_lastSpid = 50;
    std::vector<Client> m_clients;
};

} // namespace standin::tds
