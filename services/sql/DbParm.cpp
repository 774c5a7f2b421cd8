#include "services/sql/DbParm.h"

DbParm::ParseResult DbParm::fail(const QString& text) {
    m_pairs.clear();
    return {false, QStringLiteral("DBParm is malformed: ") + text};
}

DbParm::ParseResult DbParm::parse(const QString& text) {
    m_pairs.clear();
    const qsizetype n = text.size();
    qsizetype i = 0;
    auto skipBlanks = [&] {
        while (i < n && text.at(i).isSpace())
            ++i;
    };
    while (i < n) {
        skipBlanks();
        if (i < n && text.at(i) == u',') { // empty item, e.g. a trailing comma
            ++i;
            continue;
        }
        if (i >= n)
            break;
        const qsizetype nameStart = i;
        while (i < n && text.at(i) != u'=' && text.at(i) != u',')
            ++i;
        const QString name = text.mid(nameStart, i - nameStart).trimmed();
        if (i >= n || text.at(i) != u'=')
            return fail(QStringLiteral("\"%1\" is not of the form Name='value'.").arg(name));
        if (name.isEmpty())
            return fail(QStringLiteral("a value has no name."));
        for (const QChar c : name) {
            if (!(c.isLetterOrNumber() || c == u'_' || c == u' ' || c == u'-' || c == u'.'))
                return fail(QStringLiteral("the name \"%1\" contains '%2'.").arg(name, c));
        }
        ++i; // '='
        skipBlanks();
        QString value;
        if (i < n && text.at(i) == u'\'') {
            ++i;
            bool closed = false;
            while (i < n) {
                if (text.at(i) == u'\'') {
                    if (i + 1 < n && text.at(i + 1) == u'\'') {
                        value += u'\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                value += text.at(i++);
            }
            if (!closed)
                return fail(QStringLiteral("the value of %1 has no closing quote.").arg(name));
            skipBlanks();
            if (i < n && text.at(i) != u',')
                return fail(QStringLiteral("unexpected text after the value of %1.").arg(name));
        } else {
            const qsizetype valueStart = i;
            while (i < n && text.at(i) != u',')
                ++i;
            value = text.mid(valueStart, i - valueStart).trimmed();
            if (value.contains(u'\''))
                return fail(QStringLiteral("the value of %1 is not quoted properly.").arg(name));
        }
        if (value.isNull())
            value = QStringLiteral(""); // present but empty is not absent
        for (const Pair& p : std::as_const(m_pairs)) {
            if (p.first.compare(name, Qt::CaseInsensitive) == 0)
                return fail(QStringLiteral("%1 is given twice.").arg(name));
        }
        m_pairs.append({name, value});
    }
    return {};
}

QString DbParm::value(const QString& name) const {
    for (const Pair& p : m_pairs) {
        if (p.first.compare(name, Qt::CaseInsensitive) == 0)
            return p.second;
    }
    return QString();
}
