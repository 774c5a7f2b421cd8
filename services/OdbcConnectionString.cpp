#include "OdbcConnectionString.h"

void OdbcConnectionString::add(const QString& name, const QString& value) {
    m_items.append({name, value});
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
        out += item.first + u'=' + quoted(item.second) + u';';
    return out;
}

QString OdbcConnectionString::quoted(const QString& value) {
    const bool needsBraces =
        value.contains(u';') || value.contains(u'{') || value.contains(u'}') ||
        value.contains(u'=') ||
        (!value.isEmpty() && (value.front().isSpace() || value.back().isSpace()));
    if (!needsBraces)
        return value;
    QString escaped = value;
    escaped.replace(QStringLiteral("}"), QStringLiteral("}}"));
    return u'{' + escaped + u'}';
}
