#pragma once

#include <memory>
#include <mutex>

#include <sql.h>

// One live ODBC connection, shared by the transaction and any call still running on it: a call
// the transaction stopped waiting for keeps the link alive until it ends, and the last owner
// closes it. The environment lives as long as its last link.
class OdbcLink {
  public:
    using Environment = std::shared_ptr<void>; // an SQLHENV, freed with its last owner

    OdbcLink(Environment environment, SQLHDBC dbc)
        : m_environment(std::move(environment)), m_dbc(dbc) {}
    ~OdbcLink();
    OdbcLink(const OdbcLink&) = delete;
    OdbcLink& operator=(const OdbcLink&) = delete;

    static Environment newEnvironment(); // null when the driver manager cannot make one

    SQLHDBC dbc() const { return m_dbc; }

    // Ends the session; the handle is freed with the object.
    void disconnect();

    // Whether the driver knows the link to be gone (SQL_ATTR_CONNECTION_DEAD).
    bool isDead() const;

    // Asks the statement now running on the link, if any, to stop (SQLCancel). Any thread.
    void cancel();

    // Makes a statement the one cancel() reaches, for the length of its scope.
    class Running {
      public:
        Running(OdbcLink& link, SQLHSTMT statement);
        ~Running();
        Running(const Running&) = delete;
        Running& operator=(const Running&) = delete;

      private:
        OdbcLink& m_link;
    };

  private:
    Environment m_environment;
    SQLHDBC m_dbc;
    std::mutex m_mutex;
    SQLHSTMT m_running = SQL_NULL_HSTMT;
    bool m_connected = true;
};
