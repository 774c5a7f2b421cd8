#include "ProfileDocument.h"

namespace {

const QByteArray Crlf = QByteArrayLiteral("\r\n");

// Only blanks and tabs count, as in the Windows functions: an ideographic space is content.
QStringView trimBlanks(QStringView s) {
    auto isBlank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (!s.isEmpty() && isBlank(s.front()))
        s = s.sliced(1);
    while (!s.isEmpty() && isBlank(s.back()))
        s.chop(1);
    return s;
}

bool sectionName(const QString& line, QStringView* name) {
    const QStringView t = trimBlanks(line);
    if (!t.startsWith(u'['))
        return false;
    const QStringView inner = t.sliced(1);
    const qsizetype close = inner.indexOf(u']');
    *name = trimBlanks(close < 0 ? inner : inner.first(close));
    return true;
}

// A key line is `name=value`; comments (';') and lines without '=' are kept but never match.
bool keyLine(const QString& line, QStringView* name, QStringView* value) {
    const QStringView t = trimBlanks(line);
    const qsizetype eq = t.indexOf(u'=');
    if (eq < 0 || t.startsWith(u';') || t.startsWith(u'['))
        return false;
    *name = trimBlanks(t.first(eq));
    *value = trimBlanks(t.sliced(eq + 1));
    return true;
}

bool sameName(QStringView a, QStringView b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QStringView unquote(QStringView v) {
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
        return v.sliced(1, v.size() - 2);
    return v;
}

bool hasLineEnd(const QByteArray& raw) {
    return raw.endsWith('\n');
}

} // namespace

ProfileDocument::ProfileDocument(const QByteArray& content)
    : m_encoding(ProfileCodec::detect(content)) {
    QByteArrayView rest(content);
    if (m_encoding == ProfileCodec::Encoding::Utf8) {
        m_bom = ProfileCodec::Utf8Bom.toByteArray();
        rest = rest.sliced(m_bom.size());
    }
    while (!rest.isEmpty()) {
        const qsizetype nl = rest.indexOf('\n');
        const QByteArrayView raw = nl < 0 ? rest : rest.first(nl + 1);
        QByteArrayView body = raw;
        if (body.endsWith('\n'))
            body.chop(1);
        if (body.endsWith('\r'))
            body.chop(1);
        m_lines.append({raw.toByteArray(), ProfileCodec::decode(body, m_encoding)});
        rest = rest.sliced(raw.size());
    }
}

std::optional<ProfileDocument::Section> ProfileDocument::findSection(const QString& section) const {
    std::optional<Section> found;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        QStringView name, value;
        if (sectionName(m_lines[i].text, &name)) {
            if (found)
                break;
            if (sameName(name, section))
                found = Section{i, i + 1, -1};
        } else if (found) {
            found->end = i + 1;
            if (keyLine(m_lines[i].text, &name, &value))
                found->lastKey = i;
        }
    }
    return found;
}

qsizetype ProfileDocument::findKey(const Section& section, const QString& key) const {
    for (qsizetype i = section.header + 1; i < section.end; ++i) {
        QStringView name, value;
        if (keyLine(m_lines[i].text, &name, &value) && sameName(name, key))
            return i;
    }
    return -1;
}

std::optional<QString> ProfileDocument::value(const QString& section, const QString& key) const {
    const std::optional<Section> s = findSection(section);
    if (!s)
        return std::nullopt;
    const qsizetype i = findKey(*s, key);
    if (i < 0)
        return std::nullopt;
    QStringView name, value;
    keyLine(m_lines[i].text, &name, &value);
    return unquote(value).toString();
}

void ProfileDocument::insertLine(qsizetype index, const QByteArray& bytes, const QString& text) {
    // The line before may be the file's last one, written without a line end.
    if (index > 0 && !hasLineEnd(m_lines[index - 1].raw))
        m_lines[index - 1].raw += Crlf;
    m_lines.insert(index, {bytes + Crlf, text});
}

bool ProfileDocument::setValue(const QString& section, const QString& key, const QString& value) {
    const std::optional<Section> s = findSection(section);
    if (!s) {
        const QString headerText = u'[' + section + u']';
        const QString entryText = key + u'=' + value;
        QByteArray header, entry;
        if (!ProfileCodec::encode(headerText, m_encoding, &header) ||
            !ProfileCodec::encode(entryText, m_encoding, &entry))
            return false;
        insertLine(m_lines.size(), header, headerText);
        insertLine(m_lines.size(), entry, entryText);
        return true;
    }

    const qsizetype existing = findKey(*s, key);
    if (existing < 0) {
        const QString entryText = key + u'=' + value;
        QByteArray entry;
        if (!ProfileCodec::encode(entryText, m_encoding, &entry))
            return false;
        insertLine((s->lastKey < 0 ? s->header : s->lastKey) + 1, entry, entryText);
        return true;
    }

    // Keep the file's spelling of the key and its line end; only the value changes.
    Line& line = m_lines[existing];
    QStringView name, oldValue;
    keyLine(line.text, &name, &oldValue);
    const QString entryText = name.toString() + u'=' + value;
    QByteArray entry;
    if (!ProfileCodec::encode(entryText, m_encoding, &entry))
        return false;
    const QByteArray ending = line.raw.endsWith(Crlf) ? Crlf
                              : hasLineEnd(line.raw)  ? QByteArray("\n")
                                                      : QByteArray();
    line.raw = entry + ending;
    line.text = entryText;
    return true;
}

QByteArray ProfileDocument::content() const {
    QByteArray out = m_bom;
    for (const Line& line : m_lines)
        out += line.raw;
    return out;
}
