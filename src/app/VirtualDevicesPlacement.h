#pragma once

#include <QRect>

// Where the virtual devices window goes, never over any part of the main window: right of it,
// else left of it, inside the screen's available area. When neither side has room for the
// wanted width the window takes the wider side, no narrower than its minimum. When even that
// does not fit, it stands beside the main window on the wider side, partly off the screen, as
// long as a useful strip of it shows; otherwise it starts minimised.
struct VirtualDevicesPlace
{
    QRect frame;
    bool minimised = false;
    friend bool operator==(const VirtualDevicesPlace&, const VirtualDevicesPlace&) = default;
};

VirtualDevicesPlace virtualDevicesPlacement(const QRect& mainFrame, const QRect& available,
                                            QSize wanted, QSize minimum);
