#pragma once

#include <QProxyStyle>

// The application's style with less room beside each tab caption, so that the seven pages of
// SSTab1 fit in one row of the tab control's designed width.
class CompactTabStyle : public QProxyStyle
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CompactTabStyle)

public:
    CompactTabStyle() = default;

    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
};
