#include "app/VirtualDevicesPlacement.h"

#include <algorithm>

namespace {
constexpr int kGap = 8;
}

QRect virtualDevicesPlacement(const QRect& mainFrame, const QRect& available, QSize wanted,
                              QSize minimum)
{
    const int rightRoom = available.right() - mainFrame.right() - kGap;
    const int leftRoom = mainFrame.left() - available.left() - kGap;
    const int height = std::clamp(wanted.height(), std::min(minimum.height(), available.height()),
                                  available.height());
    int width = wanted.width();
    int x = 0;
    if (rightRoom >= width) {
        x = mainFrame.right() + 1 + kGap;
    } else if (leftRoom >= width) {
        x = mainFrame.left() - kGap - width;
    } else {
        const bool right = rightRoom >= leftRoom;
        width =
            std::min(std::max(right ? rightRoom : leftRoom, minimum.width()), available.width());
        x = right ? std::min(mainFrame.right() + 1 + kGap, available.right() + 1 - width)
                  : std::max(mainFrame.left() - kGap - width, available.left());
    }
    const int y = std::clamp(mainFrame.top(), available.top(), available.bottom() + 1 - height);
    return {x, y, width, height};
}
