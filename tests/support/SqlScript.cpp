#include "tests/support/SqlScript.h"

#include <QFile>
#include <QRegularExpression>

namespace SqlScript {

QStringList batches(const QString& file, const QString& database, const QString& directory,
                    QString& error) {
    static const QRegularExpression go(QStringLiteral("^\\s*GO\\s*$"),
                                       QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression named(
        QStringLiteral("^(\\s*(CREATE\\s+DATABASE|USE)\\s+)hotel\\b"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression path(QStringLiteral("c:\\\\vqbuild\\\\?"),
                                         QRegularExpression::CaseInsensitiveOption);
    QFile script(QStringLiteral(VARNOSET_DATA_SCRIPTS) + u'/' + file);
    if (!script.open(QIODevice::ReadOnly)) {
        error = script.fileName() + QStringLiteral(": ") + script.errorString();
        return {};
    }
    QStringList out;
    QString current;
    for (QString line : QString::fromUtf8(script.readAll()).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (go.match(line).hasMatch()) {
            if (!current.trimmed().isEmpty())
                out << current;
            current.clear();
            continue;
        }
        if (line.trimmed().startsWith(u':'))
            continue;
        line.replace(named, QStringLiteral("\\1") + database);
        line.replace(path, directory + u'/');
        current += line + u'\n';
    }
    if (!current.trimmed().isEmpty())
        out << current;
    return out;
}

} // namespace SqlScript
