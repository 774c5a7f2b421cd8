#pragma once

#include "tests/support/TestDir.h"

#include <QString>
#include <QStringList>

class TestServer;

// The databases a test class makes on the server under test, through T-SQL alone, each under a
// name of its own and with its files in a folder of the test's; dropAll() removes them again.
class TestDatabases {
  public:
    explicit TestDatabases(const TestServer& server) : m_server(server) {}
    ~TestDatabases(); // drops what is left, warning about what cannot be dropped

    // A name no other run uses: "vqt" + `hint` + a random part, lower case.
    static QString uniqueName(const QString& hint);

    enum class Content { Working, Demo };
    // data/hotel.sql and data/working.sql (and data/demo.sql for Demo) as `database`. Empty on
    // success, otherwise the failing step and the server's messages.
    QString createHotel(const QString& database, Content content = Content::Working);
    // An empty database that then runs `setupSql`, for tests with tables of their own.
    QString createEmpty(const QString& database, const QString& setupSql = QString());
    // Where the backups "vqdata" (working) and "vqdatays" (demo) made on this server by
    // BACKUP DATABASE lie; made on the first call. Empty when they cannot be made (see error).
    QString backupDir(QString* error = nullptr);

    // A database someone else (the tool under test) creates, to be dropped with the others.
    void adopt(const QString& database);
    // Drops every database made or adopted, each once its connections are gone (SQL Server
    // refuses to drop a database in use). Empty on success, otherwise what was left and why.
    QString dropAll();

  private:
    QString run(const QStringList& batches, const QString& what);
    // Drops and forgets each of `databases` (a copy: it may be m_made itself).
    QString drop(QStringList databases);
    QString fileDir(const QString& database);

    const TestServer& m_server;
    TestDir m_files;
    QStringList m_made;
    QString m_backups;
};
