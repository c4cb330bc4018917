#pragma once

#include <QRect>

// Where the virtual devices window goes: right of the main window, else left of it, inside the
// screen's available area and clear of the main window. When neither side has room for the
// wanted width the window gets the wider side, no narrower than its minimum; only when even
// that does not fit does it overlap the main window, kept on the screen.
QRect virtualDevicesPlacement(const QRect& mainFrame, const QRect& available, QSize wanted,
                              QSize minimum);
