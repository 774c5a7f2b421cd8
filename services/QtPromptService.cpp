#include "QtPromptService.h"

#include "SongFont.h"

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

} // namespace

void QtPromptService::messageBox(const QString& title, const QString& text, Icon icon) {
    QMessageBox box(toQt(icon), title, text, QMessageBox::Ok, QApplication::activeWindow());
    box.setFont(SongFont::font());
    // Long texts (server messages) must be readable whole: let the box wrap, never elide.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}
