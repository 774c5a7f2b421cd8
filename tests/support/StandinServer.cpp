#include "tests/support/StandinServer.h"

#include <QDeadlineTimer>
#include <QFile>

#include <csignal>

StandinServer::StandinServer(const QString& saPassword, const QString& statementLog)
    : m_password(saPassword), m_statementLog(statementLog) {}

StandinServer::~StandinServer() {
    stop();
}

bool StandinServer::start() {
    QStringList args{"--listen", QStringLiteral("127.0.0.1:%1").arg(m_port), "--root",
                     m_root.path()};
    if (!m_password.isEmpty())
        args << "--sa-password" << m_password;
    if (!m_statementLog.isEmpty())
        args << "--log-statements" << m_statementLog;
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
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
    return m_port > 0;
}

void StandinServer::stop() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    resume(); // a frozen server cannot hear SIGTERM
    m_process.terminate();
    if (!m_process.waitForFinished(10000)) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
}

bool StandinServer::restart() {
    stop();
    return start();
}

void StandinServer::pause() {
    if (m_process.state() != QProcess::NotRunning)
        ::kill(pid_t(m_process.processId()), SIGSTOP);
}

void StandinServer::resume() {
    if (m_process.state() != QProcess::NotRunning)
        ::kill(pid_t(m_process.processId()), SIGCONT);
}

void StandinServer::kill() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished(5000);
}

QString StandinServer::serverName() const {
    return QString("%1,%2").arg(m_host).arg(m_port);
}

QString StandinServer::odbcConnectionString(const QString& database) const {
    return QString("Driver=FreeTDS;Server=%1;Port=%2;Database=%3;UID=sa;PWD=%4;"
                   "TDS_Version=7.1;ClientCharset=UTF-8")
        .arg(m_host)
        .arg(m_port)
        .arg(database, m_password);
}

QString StandinServer::backupDir() {
    return QStringLiteral(VARNOSET_BACKUP_DIR);
}

QStringList StandinServer::statements() const {
    QFile file(m_statementLog);
    if (m_statementLog.isEmpty() || !file.open(QIODevice::ReadOnly))
        return {};
    // Each record: the text, a new line, a line holding only 0x1E.
    QStringList texts = QString::fromUtf8(file.readAll()).split(QStringLiteral("\n\x1e\n"));
    if (!texts.isEmpty() && texts.last().isEmpty())
        texts.removeLast();
    return texts;
}
