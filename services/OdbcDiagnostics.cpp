#include "OdbcDiagnostics.h"

#include <sqlext.h>
#include <sqlucode.h>

#include <vector>

static QString fromWide(const SQLWCHAR* text, qsizetype length) {
    static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "unixODBC's SQLWCHAR is UTF-16");
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(text), length);
}

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
        m_records.append({fromWide(state, 5), long(native), fromWide(message.data(), textLength)});
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

bool OdbcDiagnostics::isServerMessage(const Record& r) {
    if (r.native == 0)
        return false;
    // FreeTDS numbers its own connection failures 20000-20999 (its library's error codes).
    const bool freeTdsOwn = r.native >= 20000 && r.native < 21000 &&
                            (r.state.startsWith(u"08") || r.state.startsWith(u"HY"));
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
    QStringList serverTexts;
    long dbCode = 0;
    long firstNumber = 0;
    // Every message the server sent with the error ("The statement has been terminated."
    // too); the number is that of the first real error, not of an informational message.
    for (const Record& r : m_records) {
        if (!isServerMessage(r))
            continue;
        if (firstNumber == 0)
            firstNumber = r.native;
        if (dbCode == 0 && !r.state.startsWith(u"01"))
            dbCode = r.native;
        serverTexts.append(stripPrefixes(r.text));
    }
    if (dbCode == 0)
        dbCode = firstNumber;
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
