#pragma once

#include <QString>

#include <sql.h>

// Which ODBC driver a connect uses. An explicit choice (DBParm's Driver, then the
// VARNOSET_ODBC_DRIVER environment variable) wins; otherwise FreeTDS's driver, found by its
// registration in odbcinst or, when none is registered, by its library in the usual
// directories of any architecture.
class OdbcDriverCatalog {
  public:
    explicit OdbcDriverCatalog(SQLHENV env) : m_env(env) {}

    QString resolve(const QString& explicitDriver) const;
    // FreeTDS needs its own attributes (Port, TDS_Version, ClientCharset).
    bool isFreeTds(const QString& driver) const;

    static constexpr const char* kEnvironmentVariable = "VARNOSET_ODBC_DRIVER";

    // The path of FreeTDS's ODBC library below root (the file system's root unless a test
    // says otherwise): the build's multiarch directory, any other multiarch directory, then
    // /usr/lib/odbc and the like. Empty when there is none.
    static QString findFreeTdsLibrary(const QString& root = QStringLiteral("/"));

  private:
    // The library registered for a driver name, empty when the name is not registered.
    QString libraryOf(const QString& name) const;
    QString registeredFreeTds() const;

    SQLHENV m_env;
};
