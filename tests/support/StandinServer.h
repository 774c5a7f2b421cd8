#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Starts our SQL Server stand-in on a free loopback port with its own temporary root,
// for one test case or one test class, and stops it again (SIGTERM) when destroyed.
class StandinServer {
  public:
    // statementLog: when given, the server appends every statement text it runs to that file
    // (--log-statements), readable through statements().
    explicit StandinServer(const QString& saPassword = QString(),
                           const QString& statementLog = QString());
    ~StandinServer();

    bool start(); // false (with errorText()) when the server did not report ready; on a free
                  // port the first time, on the same one after that
    void stop();
    void kill(); // ends the server at once (SIGKILL), as a crash or power loss would
    // Stops and starts the server on the same address and root, as an administrator's
    // restart of the service would: every connection is gone, the databases stay.
    bool restart();
    // Freezes the server (SIGSTOP): connections stay open but nothing answers, as with a hung
    // server or a link that drops without a reset. resume() lets it go on (SIGCONT).
    void pause();
    // True while a thread of the server waits in the open of a FIFO for its other end (how a
    // test holds a RESTORE in flight).
    bool waitsToOpenAFifo() const;
    void resume();

    QString host() const { return m_host; }
    int port() const { return m_port; }
    QString root() const { return m_root.path(); } // the server's --root
    QString saPassword() const { return m_password; }
    QString errorText() const { return m_error; }

    // "host,port" as the tool's ServerName field takes it.
    QString serverName() const;
    // A DSN-less ODBC connection string through FreeTDS's driver.
    QString odbcConnectionString(const QString& database = "master") const;

    QString statementLogPath() const { return m_statementLog; }
    // The statement texts logged so far, oldest first; empty without a log.
    QStringList statements() const;

    // Where the build put the backups made from data/.
    static QString backupDir();

  private:
    QProcess m_process;
    QTemporaryDir m_root;
    QString m_password;
    QString m_statementLog;
    QString m_host;
    int m_port = 0;
    QString m_error;
};
