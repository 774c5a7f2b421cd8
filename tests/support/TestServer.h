#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// The SQL Server a test talks to. By default our stand-in, started on a free loopback port with
// its own temporary root for one test class and stopped (SIGTERM) when destroyed. With
// VARNOSET_TEST_SERVER set ("host", "host,port" or "host\instance") it is that server instead,
// logged in to as sa with VARNOSET_TEST_SA_PASSWORD, and nothing is started.
class TestServer {
  public:
    // saPassword and statementLog apply to the stand-in only; an outside server has the
    // password it was given. statementLog: the stand-in appends every statement text it runs
    // to that file (--log-statements), readable through statements().
    explicit TestServer(const QString& saPassword = QString(),
                        const QString& statementLog = QString());
    ~TestServer();
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    // True when the environment names a server of its own.
    static bool outsideServerGiven();
    bool isStandin() const { return !m_outside; }

    // The stand-in: false (with errorText()) when it did not report ready; on a free port the
    // first time, on the same one after that. An outside server: false when sa cannot log in.
    bool start();

    // The stand-in's process; these do nothing to an outside server, so the cases that need
    // them first say REQUIRE_STANDIN.
    void stop();
    void kill(); // ends the server at once (SIGKILL), as a crash or power loss would
    // Stops and starts the server on the same address and root, as an administrator's
    // restart of the service would: every connection is gone, the databases stay.
    bool restart();
    // Freezes the server (SIGSTOP): connections stay open but nothing answers, as with a hung
    // server or a link that drops without a reset. resume() lets it go on (SIGCONT).
    void pause();
    void resume();
    // True while a thread of the server waits in the open of a FIFO for its other end (how a
    // test holds a RESTORE in flight).
    bool waitsToOpenAFifo() const;
    // The stand-in's --root; empty for an outside server, whose files are its own.
    QString root() const { return m_root ? m_root->path() : QString(); }
    // The statement texts logged so far, oldest first; empty without a log.
    QStringList statements() const;

    QString host() const { return m_host; }
    int port() const { return m_port; } // 0 for a named instance
    QString saPassword() const { return m_password; }
    QString errorText() const { return m_error; }

    // The server as the tool's ServerName field takes it.
    QString serverName() const;
    // The DBParm the tool's transaction needs for this server: `own` (by default a short login
    // timeout), then VARNOSET_TEST_DBPARM (the driver, its options) when given.
    QString dbParm(const QString& own = QStringLiteral("LoginTimeout='5'")) const;
    // A DSN-less ODBC connection string through FreeTDS's driver.
    QString odbcConnectionString(const QString& database = "master") const;

    // Where tests put folders the server must read and write: VARNOSET_TEST_SERVER_TMP when
    // given, otherwise the system's temporary directory.
    static QString tempRoot();

  private:
    bool m_outside = false;
    QProcess m_process;
    std::unique_ptr<QTemporaryDir> m_root;
    QString m_password;
    QString m_statementLog;
    QString m_serverName;
    QString m_host;
    int m_port = 0;
    QString m_error;
};

// Skips the case where the server under test is not the stand-in, saying which of the
// stand-in's features it needs.
#define REQUIRE_STANDIN(server, feature)                                                           \
    do {                                                                                           \
        if (!(server).isStandin())                                                                 \
            QSKIP("runs only against the stand-in: it needs " feature);                            \
    } while (false)
