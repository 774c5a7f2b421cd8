#include "services/sql/OdbcConnectionString.h"

bool OdbcConnectionString::add(const QString& name, const QString& value) {
    if (!canQuote(value, m_braces))
        return false;
    m_items.append({name, value});
    return true;
}

bool OdbcConnectionString::contains(const QString& name) const {
    for (const auto& item : m_items) {
        if (item.first.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QString OdbcConnectionString::toString() const {
    QString out;
    for (const auto& item : m_items)
        out += item.first + u'=' + quoted(item.second, m_braces) + u';';
    return out;
}

bool OdbcConnectionString::canQuote(const QString& value, Braces braces) {
    return braces == Braces::Odbc || !value.contains(QStringLiteral("};"));
}

QString OdbcConnectionString::quoted(const QString& value, Braces braces) {
    const bool needsBraces =
        value.contains(u';') || value.contains(u'{') || value.contains(u'}') ||
        value.contains(u'=') ||
        (!value.isEmpty() && (value.front().isSpace() || value.back().isSpace()));
    if (!needsBraces)
        return value;
    QString escaped = value;
    if (braces == Braces::Odbc)
        escaped.replace(QStringLiteral("}"), QStringLiteral("}}"));
    return u'{' + escaped + u'}';
}
