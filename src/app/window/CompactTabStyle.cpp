#include "app/window/CompactTabStyle.h"

namespace {
constexpr int kTabCaptionSpace = 10; // pixels beside a caption, both sides together
}

int CompactTabStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                                 const QWidget* widget) const
{
    if (metric == PM_TabBarTabHSpace)
        return kTabCaptionSpace;
    return QProxyStyle::pixelMetric(metric, option, widget);
}
