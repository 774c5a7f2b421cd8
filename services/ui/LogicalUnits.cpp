#include "services/ui/LogicalUnits.h"

#include <QGuiApplication>
#include <QScreen>

namespace {

double screenScale() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInch() / 96.0 : 1.0;
}

} // namespace

namespace LogicalUnits {

int toPixelsX(int units) {
    return qRound(units * 7.0 / 32.0 * screenScale());
}

int toPixelsY(int units) {
    return qRound(units / 4.0 * screenScale());
}

QRect toPixels(int x, int y, int width, int height) {
    return QRect(toPixelsX(x), toPixelsY(y), toPixelsX(width), toPixelsY(height));
}

QSize toPixels(int width, int height) {
    return QSize(toPixelsX(width), toPixelsY(height));
}

} // namespace LogicalUnits
