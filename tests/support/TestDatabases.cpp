#include "tests/support/TestDatabases.h"

#include "tests/support/OdbcSession.h"
#include "tests/support/SqlScript.h"
#include "tests/support/TestServer.h"

#include <QDeadlineTimer>
#include <QDebug>
#include <QDir>
#include <QRandomGenerator>
#include <QThread>

namespace {

constexpr int kDatabaseInUse = 3702;
constexpr int kNoSuchDatabase = 3701;

QString quoted(const QString& path) {
    return u'\'' + QString(path).replace(u'\'', QStringLiteral("''")) + u'\'';
}

// A database name as T-SQL takes any name (an adopted one may be irregular).
QString bracketed(const QString& name) {
    return u'[' + QString(name).replace(u']', QStringLiteral("]]")) + u']';
}

} // namespace

TestDatabases::~TestDatabases() {
    const QString left = dropAll();
    if (!left.isEmpty())
        qWarning().noquote() << "test databases left on the server:" << left;
}

QString TestDatabases::uniqueName(const QString& hint) {
    static const char digits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QString name = QStringLiteral("vqt") + hint.toLower();
    for (int i = 0; i < 6; ++i)
        name += QLatin1Char(digits[QRandomGenerator::global()->bounded(36)]);
    return name;
}

QString TestDatabases::fileDir(const QString& database) {
    const QString dir = m_files.path() + u'/' + database;
    QDir().mkpath(dir);
    if (TestServer::outsideServerGiven())
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                       QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup);
    return dir;
}

QString TestDatabases::run(const QStringList& batches, const QString& what) {
    OdbcSession master;
    if (!master.connect(m_server.odbcConnectionString()))
        return what + QStringLiteral(": connect to master: ") + master.connectError();
    for (const QString& batch : batches) {
        const SqlOutcome o = master.exec(batch);
        if (!o.ok())
            return QStringLiteral("%1: %2\n%3").arg(what, o.report(), batch.trimmed());
    }
    return {};
}

QString TestDatabases::createHotel(const QString& database, Content content) {
    const QString dir = fileDir(database);
    QStringList scripts{QStringLiteral("hotel.sql"), QStringLiteral("working.sql")};
    if (content == Content::Demo)
        scripts << QStringLiteral("demo.sql");
    QStringList all;
    for (const QString& script : scripts) {
        QString error;
        const QStringList batches = SqlScript::batches(script, database, dir, error);
        if (batches.isEmpty())
            return error;
        all += batches;
    }
    m_made << database; // from the first batch on: a half-made database is dropped too
    return run(all, QStringLiteral("create ") + database);
}

QString TestDatabases::createEmpty(const QString& database, const QString& setupSql) {
    const QString dir = fileDir(database);
    const QString create =
        QStringLiteral("CREATE DATABASE %1 ON (NAME = %1_data, FILENAME = %2) "
                       "LOG ON (NAME = %1_log, FILENAME = %3) COLLATE Chinese_PRC_CI_AS")
            .arg(database, quoted(dir + u'/' + database + QStringLiteral("_data.mdf")),
                 quoted(dir + u'/' + database + QStringLiteral("_log.ldf")));
    m_made << database;
    QStringList batches{create};
    if (!setupSql.isEmpty())
        batches << QStringLiteral("USE ") + database << setupSql;
    return run(batches, QStringLiteral("create ") + database);
}

QString TestDatabases::backupDir(QString* error) {
    if (!m_backups.isEmpty())
        return m_backups;
    const QString dir = m_files.path() + QStringLiteral("/backups");
    QDir().mkpath(dir);
    const struct {
        const char* file;
        Content content;
    } backups[] = {{"vqdata", Content::Working}, {"vqdatays", Content::Demo}};
    for (const auto& b : backups) {
        const QString database = uniqueName(QStringLiteral("bak"));
        QString failed = createHotel(database, b.content);
        if (failed.isEmpty())
            failed = run({QStringLiteral("BACKUP DATABASE %1 TO DISK = %2 WITH INIT")
                              .arg(database, quoted(dir + u'/' + QLatin1String(b.file)))},
                         QStringLiteral("back up ") + database);
        const QString dropped = drop({database});
        if (!failed.isEmpty() || !dropped.isEmpty()) {
            if (error)
                *error = failed + dropped;
            return {};
        }
    }
    m_backups = dir;
    return m_backups;
}

void TestDatabases::adopt(const QString& database) {
    if (!m_made.contains(database, Qt::CaseInsensitive))
        m_made << database;
}

QString TestDatabases::dropAll() {
    return drop(m_made);
}

QString TestDatabases::drop(QStringList databases) {
    if (databases.isEmpty())
        return {};
    OdbcSession master;
    if (!master.connect(m_server.odbcConnectionString()))
        return QStringLiteral("connect to master: ") + master.connectError();
    QStringList left;
    for (const QString& database : databases) {
        // A connection just closed by a client may take a moment to end on the server.
        QDeadlineTimer deadline(10000);
        SqlOutcome o;
        for (;;) {
            o = master.exec(QStringLiteral("DROP DATABASE ") + bracketed(database));
            if (o.ok() || !o.numbers.contains(kDatabaseInUse) || deadline.hasExpired())
                break;
            QThread::msleep(100);
        }
        if (!o.ok() && !o.numbers.contains(kNoSuchDatabase))
            left << database + QStringLiteral(": ") + o.report();
        m_made.removeAll(database);
    }
    return left.join(u'\n');
}
