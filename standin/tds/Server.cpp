#include "standin/tds/Server.h"

#include "standin/tds/Connection.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <system_error>
#include <unistd.h>

namespace standin::tds {

Server::Server(Catalogue& catalogue) : m_catalogue(catalogue) {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) == 0)
        m_hostName = name;
}

Server::~Server() {
    stopAll();
    for (const Listener& l : m_listeners)
        ::close(l.fd);
}

bool Server::listen(const std::string& host, std::uint16_t port, std::string& error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (host.empty()) { // never the wildcard address: a host is always named
        error = "no host given for port " + service;
        return false;
    }
    const int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
    if (rc != 0) {
        error = "cannot resolve " + host + ": " + gai_strerror(rc);
        return false;
    }
    Listener listener;
    for (addrinfo* a = found; a; a = a->ai_next) {
        const int fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0)
            continue;
        const int on = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        if (bind(fd, a->ai_addr, a->ai_addrlen) == 0 && ::listen(fd, 64) == 0) {
            sockaddr_storage bound{};
            socklen_t length = sizeof bound;
            getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length);
            listener.port = ntohs(bound.ss_family == AF_INET6
                                      ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                                      : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
            listener.fd = fd;
            break;
        }
        error = std::strerror(errno);
        ::close(fd);
    }
    freeaddrinfo(found);
    if (listener.fd < 0) {
        error = "cannot listen on " + host + ":" + service + ": " + error;
        return false;
    }
    m_listeners.push_back(listener);
    return true;
}

std::uint16_t Server::nextSpid() {
    // User sessions are numbered from 51 as on SQL Server; wrap long before the u16 limit.
    m_lastSpid = m_lastSpid >= 32000 ? 51 : static_cast<std::uint16_t>(m_lastSpid + 1);
    return m_lastSpid;
}

void Server::run(int stopFd) {
    // The stop descriptor first, then one entry per listening socket.
    std::vector<pollfd> fds{{stopFd, POLLIN, 0}};
    for (const Listener& l : m_listeners)
        fds.push_back({l.fd, POLLIN, 0});
    for (;;) {
        const int ready = poll(fds.data(), fds.size(), 1000);
        if (ready < 0 && errno != EINTR)
            break;
        if (ready > 0 && fds[0].revents)
            break;
        reapFinished();
        for (std::size_t i = 1; ready > 0 && i < fds.size(); ++i)
            if (fds[i].revents & POLLIN)
                accept(fds[i].fd);
    }
    stopAll();
}

void Server::accept(int listenFd) {
    const int fd = accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0)
        return;
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    m_clients.push_back(Client{});
    Client& client = m_clients.back();
    client.connection =
        std::make_unique<Connection>(fd, nextSpid(), m_catalogue, m_hostName, m_log);
    Connection* connection = client.connection.get();
    try {
        client.thread = std::thread([connection] { connection->run(); });
    } catch (const std::system_error&) {
        // Out of threads: this client is turned away (the Connection closes its socket).
        m_clients.pop_back();
    }
}

void Server::reapFinished() {
    for (auto it = m_clients.begin(); it != m_clients.end();) {
        if (it->connection->finished()) {
            it->thread.join();
            it = m_clients.erase(it);
        } else {
            ++it;
        }
    }
}

void Server::stopAll() {
    for (Client& c : m_clients)
        c.connection->interrupt();
    for (Client& c : m_clients)
        if (c.thread.joinable())
            c.thread.join();
    m_clients.clear();
}

} // namespace standin::tds
