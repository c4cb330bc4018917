#pragma once

#include <QRect>

// Where the virtual devices window goes, always whole inside the screen's available area:
// beside the main window (right of it, else left of it) where there is room for the wanted
// width, or for no less than the minimum on the wider side. Where neither side has room, it
// stands at the screen's right edge over the right of the main window, its printer status panel,
// whose echo of the printed lines the receipt in the window repeats.
QRect virtualDevicesPlacement(const QRect& mainFrame, const QRect& available, QSize wanted,
                              QSize minimum);
