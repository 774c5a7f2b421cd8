#include "app/GuardedTabBar.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

GuardedTabBar::GuardedTabBar(QWidget* parent) : QTabBar(parent) {}

bool GuardedTabBar::requestIndex(int newIndex) {
    if (newIndex < 0 || newIndex >= count() || newIndex == currentIndex())
        return false;
    if (m_guard && !m_guard(newIndex))
        return false;
    setCurrentIndex(newIndex);
    return true;
}

int GuardedTabBar::nextEnabled(int from, int step, bool wrap) const {
    const int n = count();
    for (int i = 1; i < n; ++i) {
        int index = from + step * i;
        if (wrap)
            index = (index % n + n) % n;
        if (index < 0 || index >= n)
            return -1;
        if (isTabEnabled(index))
            return index;
    }
    return -1;
}

void GuardedTabBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const int index = tabAt(event->position().toPoint());
        if (index >= 0 && index != currentIndex()) {
            // "A tab takes the focus when it is pressed", whether the page is granted or not.
            if (focusPolicy() & Qt::ClickFocus)
                setFocus(Qt::MouseFocusReason);
            requestIndex(index);
            event->accept();
            return;
        }
    }
    QTabBar::mousePressEvent(event);
}

void GuardedTabBar::wheelEvent(QWheelEvent* event) {
    const int delta =
        event->angleDelta().y() != 0 ? event->angleDelta().y() : event->angleDelta().x();
    if (delta != 0) {
        const int target = nextEnabled(currentIndex(), delta > 0 ? -1 : 1, false);
        if (target >= 0)
            requestIndex(target);
    }
    event->accept();
}

void GuardedTabBar::keyPressEvent(QKeyEvent* event) {
    int step = 0;
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        step = isRightToLeft() ? 1 : -1;
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        step = isRightToLeft() ? -1 : 1;
        break;
    default:
        QTabBar::keyPressEvent(event);
        return;
    }
    const int target = nextEnabled(currentIndex(), step, false);
    if (target >= 0)
        requestIndex(target);
    event->accept();
}
