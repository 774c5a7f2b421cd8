#pragma once

#include <QString>

#include <sql.h>

// Which ODBC driver a connect uses. An explicit choice (DBParm's Driver, then the
// VARNOSET_ODBC_DRIVER environment variable) wins; otherwise FreeTDS's driver, found by its
// registration in odbcinst or by its library path.
class OdbcDriverCatalog {
  public:
    explicit OdbcDriverCatalog(SQLHENV env) : m_env(env) {}

    QString resolve(const QString& explicitDriver) const;
    // FreeTDS needs its own attributes (Port, TDS_Version, ClientCharset).
    bool isFreeTds(const QString& driver) const;

    static constexpr const char* kEnvironmentVariable = "VARNOSET_ODBC_DRIVER";
    static constexpr const char* kFreeTdsLibrary = "/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so";

  private:
    // The library registered for a driver name, empty when the name is not registered.
    QString libraryOf(const QString& name) const;
    QString registeredFreeTds() const;

    SQLHENV m_env;
};
