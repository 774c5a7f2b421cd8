#include "OdbcDriverCatalog.h"

#include <QFileInfo>
#include <QStringList>

#include <sqlext.h>
#include <sqlucode.h>

namespace {

QString fromWide(const SQLWCHAR* text) {
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(text));
}

bool looksLikeFreeTdsLibrary(const QString& path) {
    return QFileInfo(path).fileName().startsWith(u"libtdsodbc", Qt::CaseInsensitive);
}

} // namespace

// Walks odbcinst's driver list; calls found(name, library) until it returns true.
template <typename Found> static void forEachDriver(SQLHENV env, Found found) {
    SQLWCHAR name[512];
    SQLWCHAR attributes[4096];
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    for (;;) {
        SQLSMALLINT nameLength = 0;
        SQLSMALLINT attributesLength = 0;
        const SQLRETURN rc = SQLDriversW(env, direction, name, 512, &nameLength, attributes, 4096,
                                         &attributesLength);
        if (!SQL_SUCCEEDED(rc))
            return;
        direction = SQL_FETCH_NEXT;
        // Attributes are "key=value" strings, each ended by a NUL, the list by a second NUL.
        QString library;
        for (const SQLWCHAR* p = attributes; *p;) {
            const QString pair = fromWide(p);
            if (pair.startsWith(u"Driver=", Qt::CaseInsensitive))
                library = pair.mid(7).trimmed();
            p += pair.size() + 1;
        }
        if (found(fromWide(name), library))
            return;
    }
}

QString OdbcDriverCatalog::libraryOf(const QString& driverName) const {
    QString library;
    forEachDriver(m_env, [&](const QString& name, const QString& lib) {
        if (name.compare(driverName, Qt::CaseInsensitive) != 0)
            return false;
        library = lib;
        return true;
    });
    return library;
}

QString OdbcDriverCatalog::registeredFreeTds() const {
    QString byLibrary;
    QString byName;
    forEachDriver(m_env, [&](const QString& name, const QString& lib) {
        if (name.compare(u"FreeTDS", Qt::CaseInsensitive) == 0)
            byName = name;
        else if (byLibrary.isEmpty() && looksLikeFreeTdsLibrary(lib))
            byLibrary = name;
        return !byName.isEmpty();
    });
    return byName.isEmpty() ? byLibrary : byName;
}

QString OdbcDriverCatalog::resolve(const QString& explicitDriver) const {
    if (!explicitDriver.trimmed().isEmpty())
        return explicitDriver.trimmed();
    const QString fromEnvironment = qEnvironmentVariable(kEnvironmentVariable).trimmed();
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    const QString registered = registeredFreeTds();
    if (!registered.isEmpty())
        return registered;
    if (QFileInfo::exists(QString::fromLatin1(kFreeTdsLibrary)))
        return QString::fromLatin1(kFreeTdsLibrary);
    return QStringLiteral("FreeTDS"); // fails the connect with the driver manager's text
}

bool OdbcDriverCatalog::isFreeTds(const QString& driver) const {
    if (driver.compare(u"FreeTDS", Qt::CaseInsensitive) == 0 || looksLikeFreeTdsLibrary(driver))
        return true;
    return looksLikeFreeTdsLibrary(libraryOf(driver));
}
