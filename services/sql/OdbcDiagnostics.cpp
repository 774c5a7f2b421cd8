#include "services/sql/OdbcDiagnostics.h"

#include "services/sql/OdbcWide.h"

#include <sqlext.h>
#include <sqlucode.h>

#include <algorithm>
#include <vector>

void OdbcDiagnostics::collect(SQLSMALLINT handleType, SQLHANDLE handle) {
    if (handle == SQL_NULL_HANDLE)
        return;
    for (SQLSMALLINT i = 1;; ++i) {
        SQLWCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        std::vector<SQLWCHAR> message(1024);
        SQLRETURN rc = SQLGetDiagRecW(handleType, handle, i, state, &native, message.data(),
                                      SQLSMALLINT(message.size()), &length);
        if (rc == SQL_SUCCESS_WITH_INFO && length >= SQLSMALLINT(message.size())) {
            message.resize(size_t(length) + 1);
            rc = SQLGetDiagRecW(handleType, handle, i, state, &native, message.data(),
                                SQLSMALLINT(message.size()), &length);
        }
        if (!SQL_SUCCEEDED(rc))
            break;
        const qsizetype textLength = qMin<qsizetype>(length, qsizetype(message.size()) - 1);
        m_records.append({OdbcWide::toQString(state, 5), long(native),
                          OdbcWide::toQString(message.data(), textLength)});
    }
}

bool OdbcDiagnostics::hasState(const QString& statePrefix) const {
    for (const Record& r : m_records) {
        if (r.state.startsWith(statePrefix))
            return true;
    }
    return false;
}

QString OdbcDiagnostics::stripPrefixes(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == u'[') {
        const qsizetype close = text.indexOf(u']', i);
        if (close < 0)
            break;
        i = close + 1;
    }
    return text.mid(i).trimmed();
}

// The driver's own records carry no server number: Microsoft's driver and the driver
// manager give native error 0; FreeTDS numbers the failures of its own library 20000-20999
// (20017 "Unexpected EOF from the server") under any SQLSTATE, 01000 included, and marks
// server messages and its own alike with "[FreeTDS][SQL Server]". The server's numbers in
// that range belong to replication procedures this tool never calls.
bool OdbcDiagnostics::isServerMessage(const Record& r) {
    if (r.native == 0)
        return false;
    const bool freeTdsOwn =
        r.text.startsWith(u"[FreeTDS]") && r.native >= 20000 && r.native < 21000;
    return !freeTdsOwn;
}

bool OdbcDiagnostics::driverNotLoaded() const {
    for (const Record& r : m_records) {
        if (r.state.startsWith(u"IM") || r.text.contains(u"[Driver Manager]"))
            return true;
    }
    return false;
}

SqlStatus OdbcDiagnostics::errorStatus(const QString& fallback) const {
    SqlStatus status = textStatus(fallback);
    status.timedOut = hasState(QStringLiteral("HYT"));
    return status;
}

SqlStatus OdbcDiagnostics::textStatus(const QString& fallback) const {
    QList<Record> server;
    for (const Record& r : m_records) {
        if (isServerMessage(r))
            server.append(r);
    }
    // A login that fails for a reason (an unknown database) comes with "Login failed" too;
    // the reason leads, in whatever order the driver hands the records back, so a mistyped
    // database does not read as a wrong password.
    const auto isError = [](const Record& r) { return !r.state.startsWith(u"01"); };
    const bool hasReason = std::any_of(server.cbegin(), server.cend(), [&](const Record& r) {
        return isError(r) && r.native != kLoginFailed;
    });
    if (hasReason)
        std::stable_partition(server.begin(), server.end(),
                              [](const Record& r) { return r.native != kLoginFailed; });

    // Every message the server sent with the error ("The statement has been terminated."
    // too); the number is that of the first real error, not of an informational message.
    QStringList serverTexts;
    long dbCode = 0;
    for (const Record& r : server) {
        if (dbCode == 0 && isError(r))
            dbCode = r.native;
        serverTexts.append(stripPrefixes(r.text));
    }
    if (dbCode == 0 && !server.isEmpty())
        dbCode = server.first().native;
    if (!serverTexts.isEmpty())
        return SqlStatus::error(serverTexts.join(u'\n'), dbCode);
    QStringList driverTexts;
    for (const Record& r : m_records) {
        const QString text = stripPrefixes(r.text);
        if (!text.isEmpty() && !driverTexts.contains(text))
            driverTexts.append(text);
    }
    if (driverTexts.isEmpty())
        return SqlStatus::error(fallback);
    return SqlStatus::error(driverTexts.join(u'\n'));
}
