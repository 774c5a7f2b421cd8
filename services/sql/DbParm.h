#pragma once

#include <QList>
#include <QPair>
#include <QString>

// The transaction's DBParm text: comma-separated Name='value' pairs. A quote inside a
// quoted value is written twice (''); an unquoted value runs to the next comma.
class DbParm {
  public:
    using Pair = QPair<QString, QString>;

    struct ParseResult {
        bool ok = true;
        QString error; // why the text is malformed; empty on success
        explicit operator bool() const { return ok; }
    };

    // Pairs keep their written order; a malformed text leaves none.
    ParseResult parse(const QString& text);

    const QList<Pair>& pairs() const { return m_pairs; }

    // The value of the pair named name (case-insensitive); null when absent.
    QString value(const QString& name) const;

  private:
    ParseResult fail(const QString& text);

    QList<Pair> m_pairs;
};
