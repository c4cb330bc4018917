#include "app/window/Logo.h"

#include "app/window/WindowFonts.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

const QColor kInk(0x1f, 0x3a, 0x68);
const QColor kBody(0x3c, 0x44, 0x4f);
const QColor kPaper(0xfb, 0xfb, 0xf4);

// A printer seen from the front with a receipt coming out of its top, inside the given square.
void drawPrinter(QPainter& painter, const QRectF& box)
{
    const qreal u = box.width() / 32.0;
    auto at = [&box, u](qreal x, qreal y, qreal w, qreal h) {
        return QRectF(box.left() + x * u, box.top() + y * u, w * u, h * u);
    };
    painter.setPen(Qt::NoPen);
    painter.setBrush(kPaper);
    painter.drawRect(at(9, 2, 14, 16));
    painter.setPen(QPen(kInk, u));
    for (qreal y = 6; y <= 14; y += 3)
        painter.drawLine(at(11, y, 10, 0).topLeft(), at(11, y, y == 14 ? 6 : 10, 0).topRight());
    painter.setPen(Qt::NoPen);
    QLinearGradient shade(at(0, 14, 0, 16).topLeft(), at(0, 14, 0, 16).bottomLeft());
    shade.setColorAt(0, kBody.lighter(140));
    shade.setColorAt(1, kBody);
    painter.setBrush(shade);
    painter.drawRoundedRect(at(2, 14, 28, 15), 2 * u, 2 * u);
    painter.setBrush(QColor(0x15, 0x18, 0x1c));
    painter.drawRect(at(7, 16, 18, 2));
    painter.setBrush(QColor(0x3c, 0xd0, 0x4a));
    painter.drawEllipse(at(24, 23, 3, 3));
}

} // namespace

QPixmap makeLogo()
{
    QImage image(125, 35, QImage::Format_RGB888);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(kInk, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(0.5, 0.5, 124, 34));
    drawPrinter(painter, QRectF(3, 2, 31, 31));

    QFont name;
    name.setFamilies(
        firstInstalledOf({QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")}));
    name.setStyleHint(QFont::SansSerif);
    name.setPixelSize(15);
    name.setBold(true);
    painter.setFont(name);
    painter.setPen(kInk);
    painter.drawText(QRectF(37, 2, 86, 19), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("QUENTA"));
    QFont tag = name;
    tag.setPixelSize(9);
    tag.setBold(false);
    painter.setFont(tag);
    painter.setPen(kBody);
    painter.drawText(QRectF(37, 20, 86, 12), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("OPOS printer test"));
    painter.end();
    return QPixmap::fromImage(image);
}

QImage drawWindowIcon(int size)
{
    QImage icon(size, size, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    drawPrinter(painter, QRectF(0, 0, size, size));
    painter.end();
    return icon;
}

QIcon makeWindowIcon()
{
    return QIcon(QPixmap::fromImage(drawWindowIcon(32)));
}
