#include "services/sql/ConnectionSettings.h"

#include "services/sql/OdbcConnectionString.h"

#include <QStringList>

#include <sqlext.h>

namespace {

// Attributes that only the transaction's own fields may set.
const QStringList kFieldAttributes = {"DSN",        "FILEDSN", "SAVEFILE", "Server",
                                      "Servername", "Address", "Addr",     "Port",
                                      "Database",   "UID",     "PWD"};

// DBParm pairs the tool takes for itself; the driver never sees them.
const QStringList kToolAttributes = {"Driver", "LoginTimeout", "QueryTimeout", "RestoreTimeout"};

using Result = ConnectionSettings::Result;

Result fail(const QString& text) {
    return {false, text};
}

} // namespace

Result ConnectionSettings::readLimit(const QString& name, int defaultSeconds, int& seconds) {
    seconds = defaultSeconds;
    const QString text = m_parm.value(name).trimmed();
    if (m_parm.value(name).isNull())
        return {};
    bool digitsOnly = !text.isEmpty();
    for (const QChar c : text)
        digitsOnly = digitsOnly && c >= u'0' && c <= u'9';
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!digitsOnly || !ok || value < 1 || value > 86400)
        return fail(
            QStringLiteral("%1 must be a whole number of seconds from 1 to 86400.").arg(name));
    seconds = value;
    return {};
}

Result ConnectionSettings::read(const Fields& fields) {
    m_fields = fields;
    if (fields.DBMS.isEmpty())
        return fail(QStringLiteral("DBMS is empty: only the \"MSS\" interfaces (Microsoft SQL "
                                   "Server) are supported."));
    if (!fields.DBMS.trimmed().startsWith(u"MSS", Qt::CaseInsensitive))
        return fail(QStringLiteral("DBMS \"%1\" is not supported: only the \"MSS\" interfaces "
                                   "(Microsoft SQL Server) are supported.")
                        .arg(fields.DBMS));

    const QString server = fields.ServerName.trimmed();
    const qsizetype comma = server.indexOf(u',');
    m_host = comma < 0 ? server : server.left(comma).trimmed();
    m_port = comma < 0 ? QString() : server.mid(comma + 1).trimmed();
    if (m_host.isEmpty())
        return fail(QStringLiteral("ServerName is empty: give the server as \"host\", "
                                   "\"host,port\" or \"host\\instance\"."));
    if (comma >= 0) {
        bool ok = false;
        const int port = m_port.toInt(&ok);
        if (!ok || port < 1 || port > 65535)
            return fail(QStringLiteral("ServerName \"%1\": the port after the comma must be a "
                                       "number from 1 to 65535.")
                            .arg(fields.ServerName));
    }

    const QString lock = fields.Lock.trimmed().toUpper();
    if (lock.isEmpty())
        m_isolation = 0;
    else if (lock == u"RU")
        m_isolation = SQL_TXN_READ_UNCOMMITTED;
    else if (lock == u"RC")
        m_isolation = SQL_TXN_READ_COMMITTED;
    else if (lock == u"RR")
        m_isolation = SQL_TXN_REPEATABLE_READ;
    else if (lock == u"SS" || lock == u"TS")
        m_isolation = SQL_TXN_SERIALIZABLE;
    else
        return fail(QStringLiteral("Lock \"%1\" is not supported: use RU, RC, RR, SS or TS, or "
                                   "leave it empty.")
                        .arg(fields.Lock));

    if (const DbParm::ParseResult parsed = m_parm.parse(fields.DBParm); !parsed)
        return fail(parsed.error);
    for (const DbParm::Pair& pair : m_parm.pairs()) {
        if (kFieldAttributes.contains(pair.first, Qt::CaseInsensitive))
            return fail(QStringLiteral("DBParm must not set %1: it comes from the transaction's "
                                       "own fields.")
                            .arg(pair.first));
    }
    m_loginTimeout = kDefaultLoginTimeout;
    const QString timeout = m_parm.value(QStringLiteral("LoginTimeout"));
    if (!timeout.isNull()) {
        bool ok = false;
        m_loginTimeout = timeout.trimmed().toInt(&ok);
        if (!ok || m_loginTimeout < 1 || m_loginTimeout > 3600)
            return fail(QStringLiteral("DBParm LoginTimeout '%1' must be a number of seconds "
                                       "from 1 to 3600.")
                            .arg(timeout));
    }
    Result limit = readLimit(QStringLiteral("QueryTimeout"), kDefaultQueryTimeout, m_queryTimeout);
    if (limit)
        limit =
            readLimit(QStringLiteral("RestoreTimeout"), kDefaultRestoreTimeout, m_restoreTimeout);
    if (!limit)
        return limit;
    if (!explicitDriver().isNull() && explicitDriver().trimmed().isEmpty())
        return fail(QStringLiteral("DBParm Driver is empty."));
    return {};
}

Result ConnectionSettings::buildConnectionString(const QString& driver, bool freeTds,
                                                 QString& out) {
    OdbcConnectionString cs(freeTds ? OdbcConnectionString::Braces::FreeTds
                                    : OdbcConnectionString::Braces::Odbc);
    QString refused;
    auto add = [&](const QString& name, const QString& value) {
        if (!cs.add(name, value) && refused.isEmpty())
            refused = name;
    };
    add(QStringLiteral("Driver"), driver);
    if (freeTds) {
        // FreeTDS reads the port from its own attribute; "host\instance" it resolves itself.
        // A bare host means SQL Server's own port: with "tds version = auto" (Debian's
        // freetds.conf) FreeTDS has no default port and refuses the connect.
        add(QStringLiteral("Server"), m_host);
        if (!m_port.isEmpty())
            add(QStringLiteral("Port"), m_port);
        else if (!m_host.contains(u'\\'))
            add(QStringLiteral("Port"), QStringLiteral("1433"));
    } else {
        add(QStringLiteral("Server"), serverName());
    }
    if (!m_fields.Database.isEmpty())
        add(QStringLiteral("Database"), m_fields.Database);
    add(QStringLiteral("UID"), m_fields.LogId);
    add(QStringLiteral("PWD"), m_fields.LogPass);
    for (const DbParm::Pair& pair : m_parm.pairs()) {
        if (kToolAttributes.contains(pair.first, Qt::CaseInsensitive))
            continue;
        add(pair.first, pair.second);
    }
    if (freeTds) {
        // The stand-in and SQL Server 2000 speak 7.1; text goes through the wide API anyway,
        // the charset only matters for narrow values.
        if (!cs.contains(QStringLiteral("TDS_Version")))
            add(QStringLiteral("TDS_Version"), QStringLiteral("7.1"));
        if (!cs.contains(QStringLiteral("ClientCharset")))
            add(QStringLiteral("ClientCharset"), QStringLiteral("UTF-8"));
    }
    if (!refused.isEmpty()) {
        const QString field = refused == u"UID"        ? QStringLiteral("LogId")
                              : refused == u"PWD"      ? QStringLiteral("LogPass")
                              : refused == u"Database" ? QStringLiteral("Database")
                                                       : refused;
        return fail(QStringLiteral("%1 contains \"};\", which the ODBC driver \"%2\" cannot "
                                   "receive.")
                        .arg(field, driver));
    }
    out = cs.toString();
    return {};
}
