#pragma once

#include <QList>
#include <QPair>
#include <QString>

// An ODBC connection string built attribute by attribute. Values that could end or extend an
// attribute (';', '{', '}', '=', outer blanks) are braced, with '}' doubled, so a password
// or database name can never inject an attribute of its own.
class OdbcConnectionString {
  public:
    void add(const QString& name, const QString& value);
    bool contains(const QString& name) const;
    QString toString() const;

    static QString quoted(const QString& value);

  private:
    QList<QPair<QString, QString>> m_items;
};
