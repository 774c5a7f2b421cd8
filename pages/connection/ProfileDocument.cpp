#include "pages/connection/ProfileDocument.h"

namespace {

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

QByteArray encodeAscii(const char* text, ProfileCodec::Encoding encoding) {
    QByteArray out;
    ProfileCodec::encode(QString::fromLatin1(text), encoding, &out);
    return out;
}

} // namespace

// A line ends at CRLF, LF or a CR alone, as the Windows functions read it; the end is kept
// with the line so untouched lines are written back byte for byte.
ProfileDocument::ProfileDocument(const QByteArray& content)
    : m_encoding(ProfileCodec::detect(content)) {
    const QByteArrayView rest =
        QByteArrayView(content).sliced(ProfileCodec::bom(m_encoding).size());
    const qsizetype unit = ProfileCodec::unitSize(m_encoding);
    const auto unitAt = [&](qsizetype i) { return ProfileCodec::unitAt(rest, i, m_encoding); };
    qsizetype start = 0;
    for (qsizetype i = 0; i + unit <= rest.size();) {
        const char16_t c = unitAt(i);
        if (c != u'\r' && c != u'\n') {
            i += unit;
            continue;
        }
        qsizetype next = i + unit;
        if (c == u'\r' && next + unit <= rest.size() && unitAt(next) == u'\n')
            next += unit;
        const QByteArrayView body = rest.sliced(start, i - start);
        m_lines.append({body.toByteArray(), rest.sliced(i, next - i).toByteArray(),
                        ProfileCodec::decode(body, m_encoding)});
        start = i = next;
    }
    if (start < rest.size()) {
        const QByteArrayView body = rest.sliced(start);
        m_lines.append({body.toByteArray(), {}, ProfileCodec::decode(body, m_encoding)});
    }
    // Added lines end the way the file's lines already do, so a file with CR-only or LF-only
    // line ends keeps one kind throughout; a new file gets CRLF like the Windows functions.
    m_newLineEnd = encodeAscii("\r\n", m_encoding);
    for (const Line& line : std::as_const(m_lines)) {
        if (!line.end.isEmpty()) {
            m_newLineEnd = line.end;
            break;
        }
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
    if (index > 0 && m_lines[index - 1].end.isEmpty())
        m_lines[index - 1].end = m_newLineEnd;
    m_lines.insert(index, {bytes, m_newLineEnd, text});
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
    line.body = entry;
    line.text = entryText;
    return true;
}

QByteArray ProfileDocument::content() const {
    QByteArray out = ProfileCodec::bom(m_encoding).toByteArray();
    for (const Line& line : m_lines)
        out += line.body + line.end;
    return out;
}
