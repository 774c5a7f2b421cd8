#include "tests/support/TestServer.h"

#include "tests/support/OdbcSession.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>

#include <csignal>
#include <sys/prctl.h>

namespace {

QString env(const char* name) {
    return qEnvironmentVariable(name);
}

// Braces keep ; and = of a value from ending it. FreeTDS's driver takes everything up to the
// first "};" as it stands: a closing brace inside is not doubled.
QString odbcValue(const QString& value) {
    return u'{' + value + u'}';
}

} // namespace

TestServer::TestServer(const QString& saPassword, const QString& statementLog)
    : m_outside(outsideServerGiven()), m_password(saPassword), m_statementLog(statementLog) {
    if (m_outside) {
        m_serverName = env("VARNOSET_TEST_SERVER");
        m_password = env("VARNOSET_TEST_SA_PASSWORD");
        const int comma = m_serverName.indexOf(u',');
        const int backslash = m_serverName.indexOf(u'\\');
        m_host = m_serverName.left(comma >= 0 ? comma : backslash).trimmed();
        m_port = comma >= 0       ? m_serverName.mid(comma + 1).trimmed().toInt()
                 : backslash >= 0 ? 0
                                  : 1433;
    }
}

TestServer::~TestServer() {
    stop();
}

bool TestServer::outsideServerGiven() {
    return !env("VARNOSET_TEST_SERVER").isEmpty();
}

bool TestServer::start() {
    if (m_outside) {
        OdbcSession probe;
        if (!probe.connect(odbcConnectionString())) {
            m_error = QStringLiteral("cannot log in to %1 as sa: %2")
                          .arg(m_serverName, probe.connectError());
            return false;
        }
        return true;
    }
    QStringList args{"--listen", QStringLiteral("127.0.0.1:%1").arg(m_port), "--root",
                     m_root.path()};
    if (!m_password.isEmpty())
        args << "--sa-password" << m_password;
    if (!m_statementLog.isEmpty())
        args << "--log-statements" << m_statementLog;
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // A test that crashes must not leave its server behind holding the test runner's pipes.
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    m_process.start(QStringLiteral(VARNOSET_STANDIN_BIN), args);
    if (!m_process.waitForStarted(5000)) {
        m_error = m_process.errorString();
        return false;
    }
    QDeadlineTimer deadline(15000);
    QByteArray line;
    while (!deadline.hasExpired()) {
        if (m_process.canReadLine() || m_process.waitForReadyRead(200)) {
            line = m_process.readLine().trimmed();
            if (line.startsWith("ready "))
                break;
        }
        if (m_process.state() == QProcess::NotRunning)
            break;
    }
    if (!line.startsWith("ready ")) {
        m_error = "stand-in did not report ready: " + QString::fromUtf8(line);
        stop();
        return false;
    }
    const QString address = QString::fromUtf8(line.mid(6));
    const int colon = address.lastIndexOf(':');
    m_host = address.left(colon);
    m_port = address.mid(colon + 1).toInt();
    m_serverName = QStringLiteral("%1,%2").arg(m_host).arg(m_port);
    return m_port > 0;
}

void TestServer::stop() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    resume(); // a frozen server cannot hear SIGTERM
    m_process.terminate();
    if (!m_process.waitForFinished(10000)) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
}

bool TestServer::restart() {
    stop();
    return start();
}

void TestServer::pause() {
    if (m_process.state() != QProcess::NotRunning)
        ::kill(pid_t(m_process.processId()), SIGSTOP);
}

bool TestServer::waitsToOpenAFifo() const {
    if (m_process.state() == QProcess::NotRunning)
        return false;
    const QString tasks = QStringLiteral("/proc/%1/task").arg(m_process.processId());
    for (const QString& task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile wchan(tasks + u'/' + task + QStringLiteral("/wchan"));
        if (wchan.open(QIODevice::ReadOnly) && wchan.readAll().trimmed() == "wait_for_partner")
            return true;
    }
    return false;
}

void TestServer::resume() {
    if (m_process.state() != QProcess::NotRunning)
        ::kill(pid_t(m_process.processId()), SIGCONT);
}

void TestServer::kill() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished(5000);
}

QString TestServer::serverName() const {
    return m_serverName;
}

QString TestServer::dbParm() const {
    const QString extra = env("VARNOSET_TEST_DBPARM");
    return QStringLiteral("LoginTimeout='5'") + (extra.isEmpty() ? QString() : u',' + extra);
}

QString TestServer::odbcConnectionString(const QString& database) const {
    // FreeTDS finds a named instance's port itself when given "host\instance".
    const QString server = m_port > 0 ? QStringLiteral("Server=%1;Port=%2").arg(m_host).arg(m_port)
                                      : QStringLiteral("Server=%1").arg(m_serverName);
    return QStringLiteral("Driver=FreeTDS;%1;Database=%2;UID=sa;PWD=%3;"
                          "TDS_Version=7.1;ClientCharset=UTF-8")
        .arg(server, database, odbcValue(m_password));
}

QString TestServer::tempRoot() {
    const QString given = env("VARNOSET_TEST_SERVER_TMP");
    return given.isEmpty() ? QDir::tempPath() : given;
}

QStringList TestServer::statements() const {
    QFile file(m_statementLog);
    if (m_statementLog.isEmpty() || !file.open(QIODevice::ReadOnly))
        return {};
    // Each record: the text, a new line, a line holding only 0x1E.
    QStringList texts = QString::fromUtf8(file.readAll()).split(QStringLiteral("\n\x1e\n"));
    if (!texts.isEmpty() && texts.last().isEmpty())
        texts.removeLast();
    return texts;
}
