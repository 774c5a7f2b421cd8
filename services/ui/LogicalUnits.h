#pragma once

#include <QRect>

// The window layouts are given in the old runtime's logical window units. At 96 DPI one unit
// is 7/32 pixel across and 1/4 pixel down; other screens scale with their logical DPI.
namespace LogicalUnits {

int toPixelsX(int units);
int toPixelsY(int units);
QRect toPixels(int x, int y, int width, int height);
QSize toPixels(int width, int height);

} // namespace LogicalUnits
