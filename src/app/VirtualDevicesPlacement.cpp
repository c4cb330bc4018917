#include "app/VirtualDevicesPlacement.h"

#include <algorithm>

namespace {
constexpr int kGap = 8;
// The least of the window that must show on the screen for it to be of use there.
constexpr int kLeastVisible = 160;
} // namespace

VirtualDevicesPlace virtualDevicesPlacement(const QRect& mainFrame, const QRect& available,
                                            QSize wanted, QSize minimum)
{
    const int rightRoom = available.right() - mainFrame.right() - kGap;
    const int leftRoom = mainFrame.left() - available.left() - kGap;
    const int height = std::clamp(wanted.height(), std::min(minimum.height(), available.height()),
                                  available.height());
    const int y = std::clamp(mainFrame.top(), available.top(), available.bottom() + 1 - height);
    const bool right = rightRoom >= leftRoom;
    const int room = right ? rightRoom : leftRoom;
    auto beside = [&](bool onRight, int width) {
        const int x = onRight ? mainFrame.right() + 1 + kGap : mainFrame.left() - kGap - width;
        return QRect(x, y, width, height);
    };
    if (rightRoom >= wanted.width())
        return {beside(true, wanted.width())};
    if (leftRoom >= wanted.width())
        return {beside(false, wanted.width())};
    if (room >= minimum.width())
        return {beside(right, room)};
    return {beside(right, wanted.width()), room < kLeastVisible};
}
