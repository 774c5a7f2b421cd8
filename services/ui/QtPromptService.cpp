#include "services/ui/QtPromptService.h"

#include "services/ui/SongFont.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QScreen>
#include <QTextBoundaryFinder>
#include <QTranslator>

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

// A label wraps only where the line-breaking rules allow; Chinese text breaks between any two
// characters, but a long path or server name has no such place and would be cut at the box's
// edge. Only inside a stretch without a break opportunity longer than a line could hold are
// zero-width spaces put, after each separator and every few characters; every other text is
// shown exactly as given.
QString breakable(const QString& text) {
    constexpr int kLongRun = 40;  // shorter stretches fit on a line of the widest box
    constexpr int kMaxPiece = 12; // characters between two added break opportunities
    const QChar zeroWidthSpace(0x200B);
    QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, text);
    QString out;
    out.reserve(text.size() + text.size() / 4);
    qsizetype runStart = 0;
    while (runStart < text.size()) {
        qsizetype runEnd = breaks.toNextBoundary();
        if (runEnd < 0)
            runEnd = text.size();
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
        runStart = runEnd;
    }
    return out;
}

// The title needs room beside the buttons a window manager puts in the title bar: 300 pixels at
// 96 DPI, more on a denser screen. The box fixes its own size from its layout, so the width
// goes in as a spacer across the bottom of its grid.
void widenToTitle(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid)
        return;
    const QScreen* screen = box.screen();
    const qreal scale = screen ? screen->logicalDotsPerInch() / 96.0 : 1.0;
    grid->addItem(new QSpacerItem(qRound(300 * scale), 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
}

} // namespace

void QtPromptService::show(const QString& title, const QString& text, Icon icon,
                           const QString& detail) {
    // Long texts (server messages, paths) must be readable whole: the box wraps, never cuts.
    QMessageBox box(toQt(icon), title, breakable(text), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setFont(SongFont::font());
    box.setTextFormat(Qt::PlainText);
    // What a screen reader speaks is the message itself, without added break opportunities.
    if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label")))
        label->setAccessibleName(text);
    widenToTitle(box);
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

bool QtPromptService::installQtTranslation(QCoreApplication& app) {
    auto* translator = new QTranslator(&app);
    if (!translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                          QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}
