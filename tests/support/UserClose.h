#pragma once

#include <QWidget>
#include <QWindow>

#include <qpa/qwindowsysteminterface.h>

// What the close box and Alt+F4 do: the platform asks the window to close (a spontaneous close
// event), not the program.
inline void closeAsTheUserDoes(QWidget* window) {
    QWindowSystemInterface::handleCloseEvent<QWindowSystemInterface::SynchronousDelivery>(
        window->windowHandle());
}
