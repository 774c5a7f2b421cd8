#pragma once

#include <QList>
#include <QPair>
#include <QString>

// An ODBC connection string built attribute by attribute. Values that could end or extend an
// attribute (';', '{', '}', '=', outer blanks) are braced, so a password or database name can
// never inject an attribute of its own. Drivers disagree on a '}' inside braces: the ODBC
// rule doubles it, FreeTDS's driver takes everything up to the first "};" as it stands.
class OdbcConnectionString {
  public:
    enum class Braces { Odbc, FreeTds };

    explicit OdbcConnectionString(Braces braces = Braces::Odbc) : m_braces(braces) {}

    // False when the value cannot be written for this driver (FreeTDS: a value holding "};").
    bool add(const QString& name, const QString& value);
    bool contains(const QString& name) const;
    QString toString() const;

    static bool canQuote(const QString& value, Braces braces);
    static QString quoted(const QString& value, Braces braces);

  private:
    Braces m_braces;
    QList<QPair<QString, QString>> m_items;
};
