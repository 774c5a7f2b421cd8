#pragma once

#include <QList>
#include <QPair>
#include <QString>

// The transaction's DBParm text: comma-separated Name='value' pairs. A quote inside a
// quoted value is written twice (''); an unquoted value runs to the next comma.
class DbParm {
  public:
    using Pair = QPair<QString, QString>;

    // False with errorText() when the text is malformed; pairs keep their written order.
    bool parse(const QString& text);

    const QList<Pair>& pairs() const { return m_pairs; }
    QString errorText() const { return m_error; }

    // The value of the pair named name (case-insensitive); null when absent.
    QString value(const QString& name) const;

  private:
    bool fail(const QString& text);

    QList<Pair> m_pairs;
    QString m_error;
};
