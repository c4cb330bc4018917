#pragma once

#include <QPixmap>
#include <QProxyStyle>

// The application's style, drawing as it does, but without the image-format plugins on the way
// to the first sight of the window. Reading an image file by name makes Qt load every such plugin
// to ask whether it reads the file, which costs the start of the program more than any picture
// the window shows. So the menu bar's overflow arrow is read when it is first drawn (it shows
// only when the menus do not fit the bar), and a group box's frame image is read as the PNG it
// is.
class PluginFreeStyle : public QProxyStyle
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PluginFreeStyle)

public:
    // base: the style to draw with (taken over); null takes the one the application would choose.
    explicit PluginFreeStyle(QStyle* base = nullptr);
    ~PluginFreeStyle() override;

    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;

private:
    mutable QPixmap m_groupBoxFrame; // read on the first group box drawn
};
