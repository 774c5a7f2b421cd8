#include "services/ui/QtPromptService.h"

#include "services/ui/SongFont.h"

#include <QApplication>
#include <QMessageBox>

namespace {

QMessageBox::Icon toQt(PromptService::Icon icon) {
    switch (icon) {
    case PromptService::Icon::Information:
        return QMessageBox::Information;
    case PromptService::Icon::StopSign:
        return QMessageBox::Critical;
    case PromptService::Icon::Exclamation:
        return QMessageBox::Warning;
    case PromptService::Icon::Question:
        return QMessageBox::Question;
    case PromptService::Icon::None:
        return QMessageBox::NoIcon;
    }
    return QMessageBox::NoIcon;
}

// A label wraps only between words, and a long path has none: it would be cut at the box's
// edge. Zero-width spaces after each separator, and after every few characters of a run
// that has none, let it wrap anywhere while showing the same text.
QString breakable(const QString& text) {
    constexpr int kLongRun = 24;  // shorter runs are left exactly as they are
    constexpr int kMaxPiece = 12; // characters between two break opportunities
    const QChar zeroWidthSpace(0x200B);
    QString out;
    out.reserve(text.size() + text.size() / 4);
    qsizetype runStart = 0;
    while (runStart < text.size()) {
        qsizetype runEnd = runStart;
        while (runEnd < text.size() && !text.at(runEnd).isSpace())
            ++runEnd;
        if (runEnd - runStart < kLongRun) {
            out += QStringView(text).mid(runStart, runEnd - runStart);
        } else {
            int sinceBreak = 0;
            for (qsizetype i = runStart; i < runEnd; ++i) {
                const QChar c = text.at(i);
                out += c;
                ++sinceBreak;
                // Never split a surrogate pair or a character from its combining marks.
                const bool last = i + 1 == runEnd;
                if (last || text.at(i + 1).isLowSurrogate() || text.at(i + 1).isMark())
                    continue;
                if (c == u'\\' || c == u'/' || sinceBreak >= kMaxPiece) {
                    out += zeroWidthSpace;
                    sinceBreak = 0;
                }
            }
        }
        // The blanks after the run, as they are.
        runStart = runEnd;
        while (runStart < text.size() && text.at(runStart).isSpace())
            out += text.at(runStart++);
    }
    return out;
}

} // namespace

void QtPromptService::show(const QString& title, const QString& text, Icon icon,
                           const QString& detail) {
    // Long texts (server messages, paths) must be readable whole: the box wraps, never cuts.
    QMessageBox box(toQt(icon), title, breakable(text), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setFont(SongFont::font());
    box.setTextFormat(Qt::PlainText);
    if (!detail.isEmpty())
        box.setDetailedText(detail);
    // A handler may show the busy pointer while it works; the box waits for the user, so it
    // shows the ordinary one until it is confirmed.
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    box.exec();
    if (busy)
        QApplication::restoreOverrideCursor();
}
