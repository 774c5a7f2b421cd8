#pragma once

#include "services/ui/LogicalUnits.h"

#include <QString>
#include <QWidget>

// What every page does the same way when it builds its controls and reads what was typed.
namespace PageKit {

// Names the control for outside checks and screen readers and puts it where the layout, in
// logical units, says.
template <typename W>
W* place(W* control, const char* name, const QString& accessibleName, int x, int y, int width,
         int height) {
    control->setObjectName(QLatin1String(name));
    control->setAccessibleName(accessibleName);
    control->setGeometry(LogicalUnits::toPixels(x, y, width, height));
    return control;
}

// Typed input loses the blank (code 32) at either end only; tabs and other white space stay,
// and a null text is the empty text.
QString trimBlanks(const QString& text);

} // namespace PageKit
