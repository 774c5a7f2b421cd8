#include "app/w_set_xtmk_back.h"

#include "app/tab_1.h"
#include "services/Runtime.h"
#include "services/ui/LogicalUnits.h"
#include "services/ui/SongFont.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>

namespace {

// A frame the window manager does not report: a 4 px border and a 26 px title bar.
constexpr int kDefaultFrameWidth = 2 * 4;
constexpr int kDefaultFrameHeight = 26 + 2 * 4;

const QString kTitle = QStringLiteral("Veltraq软件-系统初始");

// The window's outer size, frame included: the layouts' units measure the whole window.
QSize outerSize() {
    return LogicalUnits::toPixels(2953, 2072);
}

} // namespace

w_set_xtmk_back::w_set_xtmk_back(Runtime& runtime, const ProfileFile& profile, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      profile(profile) {
    setObjectName("w_set_xtmk_back");
    setWindowTitle(kTitle);
    setWindowIcon(QIcon(":/bmp/library.png"));
    setModal(true);
    setFont(SongFont::font());

    tab_1 = new ::tab_1(runtime, state, this->profile, this);
    tab_1->setGeometry(LogicalUnits::toPixels(0, 0, 2930, 1852));
    runtime.popup.setOwner(this);
    fitToFrame(kDefaultFrameWidth, kDefaultFrameHeight);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - frameGeometry().center() + pos());

    openEvent();
}

void w_set_xtmk_back::openEvent() {
    state.isiflj = QStringLiteral("0");
}

void w_set_xtmk_back::fitToFrame(int frameWidth, int frameHeight) {
    const QSize outer = outerSize();
    const QSize minimum = tab_1->size();
    setFixedSize(qMax(outer.width() - frameWidth, minimum.width()),
                 qMax(outer.height() - frameHeight, minimum.height()));
}

void w_set_xtmk_back::showEvent(QShowEvent* event) {
    // Enter must press only a focused button, never a default one the dialog picks itself.
    for (QPushButton* button : findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    QDialog::showEvent(event);
    // Once mapped, the window manager tells the real frame; trust it when it reports one.
    const int frameWidth = frameGeometry().width() - geometry().width();
    const int frameHeight = frameGeometry().height() - geometry().height();
    if (frameWidth > 0 || frameHeight > 0)
        fitToFrame(frameWidth, frameHeight);
}

void w_set_xtmk_back::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        // QDialog would reject (close) the window and everything typed on the pages with it.
        event->accept();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (auto* button = qobject_cast<QPushButton*>(focusWidget());
            button && button->isEnabled() && button->isVisible() && event->modifiers() == 0) {
            button->click();
            event->accept();
        } else {
            event->ignore();
        }
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}
