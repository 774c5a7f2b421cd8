#include "w_set_xtmk_back.h"

#include "LogicalUnits.h"
#include "Runtime.h"
#include "SongFont.h"
#include "tab_1.h"

#include <QGuiApplication>
#include <QScreen>

QString w_set_xtmk_back::title() {
    return QStringLiteral("Veltraq软件-系统初始");
}

w_set_xtmk_back::w_set_xtmk_back(Runtime& runtime, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName("w_set_xtmk_back");
    setWindowTitle(title());
    setWindowIcon(QIcon(":/bmp/library.png"));
    setModal(true);
    setFont(SongFont::font());
    setFixedSize(LogicalUnits::toPixels(2953, 2072));

    tab_1 = new ::tab_1(runtime, isiflj, this);
    tab_1->setGeometry(LogicalUnits::toPixels(0, 0, 2930, 1852));
    runtime.popup.setOwner(this);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    open();
}

void w_set_xtmk_back::open() {
    isiflj = QStringLiteral("0");
}
