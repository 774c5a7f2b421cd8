#include "services/sql/OdbcDriverCatalog.h"

#include "services/sql/OdbcWide.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <sqlext.h>
#include <sqlucode.h>

namespace {

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
            const QString pair = OdbcWide::toQString(p);
            if (pair.startsWith(u"Driver=", Qt::CaseInsensitive))
                library = pair.mid(7).trimmed();
            p += pair.size() + 1;
        }
        if (found(OdbcWide::toQString(name), library))
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
    const QString library = findFreeTdsLibrary();
    if (!library.isEmpty())
        return library;
    return QStringLiteral("FreeTDS"); // fails the connect with the driver manager's text
}

bool OdbcDriverCatalog::isFreeTds(const QString& driver) const {
    if (driver.compare(u"FreeTDS", Qt::CaseInsensitive) == 0 || looksLikeFreeTdsLibrary(driver))
        return true;
    return looksLikeFreeTdsLibrary(libraryOf(driver));
}

QString OdbcDriverCatalog::findFreeTdsLibrary(const QString& root) {
    const QString base = root.endsWith(u'/') ? root.chopped(1) : root;
    QStringList candidates;
#ifdef VARNOSET_LIBRARY_ARCHITECTURE
    // The build machine's multiarch directory first: the library this build links against.
    candidates << base + QStringLiteral("/usr/lib/" VARNOSET_LIBRARY_ARCHITECTURE "/odbc");
#endif
    // Any other multiarch directory (Debian and its kin), then the unsplit layouts.
    const QDir lib(base + QStringLiteral("/usr/lib"));
    for (const QString& arch : lib.entryList({QStringLiteral("*-linux-gnu*")},
                                             QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
        candidates << lib.filePath(arch) + QStringLiteral("/odbc");
    candidates << base + QStringLiteral("/usr/lib/odbc") << base + QStringLiteral("/usr/lib64")
               << base + QStringLiteral("/usr/local/lib");
    for (const QString& dir : std::as_const(candidates)) {
        const QString path = dir + QStringLiteral("/libtdsodbc.so");
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}
