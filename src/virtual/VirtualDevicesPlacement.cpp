#include "virtual/VirtualDevicesPlacement.h"

#include <algorithm>

namespace {
constexpr int kGap = 8;
} // namespace

QRect virtualDevicesPlacement(const QRect& mainFrame, const QRect& available, QSize wanted,
                              QSize minimum)
{
    const int width = std::min(wanted.width(), available.width());
    const int least = std::min(minimum.width(), width);
    const int height = std::clamp(wanted.height(), std::min(minimum.height(), available.height()),
                                  available.height());
    const int y = std::clamp(mainFrame.top(), available.top(), available.bottom() + 1 - height);
    // The room beside the main window's visible part.
    const int rightRoom = available.right() - std::max(mainFrame.right(), available.left()) - kGap;
    const int leftRoom = std::min(mainFrame.left(), available.right()) - available.left() - kGap;
    auto beside = [&](bool onRight, int w) {
        const int x = onRight ? mainFrame.right() + 1 + kGap : mainFrame.left() - kGap - w;
        return QRect(x, y, w, height);
    };
    if (rightRoom >= width)
        return beside(true, width);
    if (leftRoom >= width)
        return beside(false, width);
    if (std::max(rightRoom, leftRoom) >= least)
        return rightRoom >= leftRoom ? beside(true, rightRoom) : beside(false, leftRoom);
    return {available.right() + 1 - width, y, width, height};
}
