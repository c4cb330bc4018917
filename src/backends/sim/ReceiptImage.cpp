#include "backends/sim/ReceiptImage.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImageWriter>
#include <QPainter>
#include <algorithm>
#include <array>
#include <stdexcept>

using sim::ReceiptItem;

namespace receipt_image {

namespace {

constexpr int kUnderlineDots = 2;
constexpr int kMaxFeedLines = 1000;

bool isTall(const ReceiptItem& item)
{
    return item.doubleHeight ||
           std::any_of(item.runs.begin(), item.runs.end(),
                       [](const ReceiptItem::Run& run) { return run.doubleHeight; });
}

// Characters drawn in a monospace font stretched to exactly 12 dots a column, whatever font
// the machine has.
class Typeface
{
public:
    Typeface()
    {
        QFont base = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        base.setStyleHint(QFont::Monospace);
        base.setPixelSize(kCharHeight - 2);
        for (std::size_t i = 0; i < m_fonts.size(); ++i) {
            m_fonts[i] = base;
            m_fonts[i].setBold(i == 1);
            m_advance[i] = QFontMetricsF(m_fonts[i]).horizontalAdvance(QLatin1Char('M'));
            m_ascent = std::max(m_ascent, QFontMetricsF(m_fonts[i]).ascent());
        }
    }

    const QFont& font(bool bold) const { return m_fonts[bold ? 1 : 0]; }
    qreal stretch(bool bold) const { return kCharWidth / m_advance[bold ? 1 : 0]; }
    qreal ascent() const { return m_ascent; }

private:
    std::array<QFont, 2> m_fonts;
    std::array<qreal, 2> m_advance{};
    qreal m_ascent = 0;
};

void paintLine(QPainter& painter, const Typeface& face, const ReceiptItem& item, int top)
{
    QVector<ReceiptItem::Run> runs = item.runs;
    if (runs.isEmpty())
        runs.append({item.text, item.bold, item.underline, item.doubleWidth, item.doubleHeight});
    int columns = 0;
    for (const ReceiptItem::Run& run : runs)
        columns += int(run.text.size()) * (run.doubleWidth ? 2 : 1);
    const int width = columns * kCharWidth;
    // A line wider than the paper (a smaller font on the printer) is squeezed to fit.
    const qreal squeeze = width > kDotsAcross ? qreal(kDotsAcross) / width : 1.0;
    qreal x = 0;
    if (item.align == ReceiptItem::Align::Centre)
        x = (kDotsAcross - width * squeeze) / 2;
    else if (item.align == ReceiptItem::Align::Right)
        x = kDotsAcross - width * squeeze;
    const int lineHeight = itemHeight(item);
    const int bottom = top + lineHeight - (kLineSpacing - kCharHeight);
    for (const ReceiptItem::Run& run : runs) {
        const qreal scaleX = squeeze * (run.doubleWidth ? 2 : 1);
        const int scaleY = run.doubleHeight ? 2 : 1;
        const qreal runWidth = run.text.size() * kCharWidth * scaleX;
        painter.save();
        painter.setFont(face.font(run.bold));
        painter.translate(x, bottom - (kCharHeight * scaleY) + face.ascent() * scaleY);
        painter.scale(scaleX * face.stretch(run.bold), scaleY);
        painter.drawText(QPointF(0, 0), run.text);
        painter.restore();
        if (run.underline)
            painter.fillRect(QRectF(x, bottom - kUnderlineDots, runWidth, kUnderlineDots),
                             Qt::black);
        x += runWidth;
    }
}

// A picture's dots as they are: one image pixel per dot.
void paintPicture(QPainter& painter, const ReceiptItem& item, int top)
{
    const opos::DotImage& dots = *item.picture;
    QImage picture(reinterpret_cast<const uchar*>(dots.bits.constData()), dots.width, dots.height,
                   dots.bytesPerRow(), QImage::Format_Mono);
    picture.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    painter.drawImage(item.left, top, picture);
}

void paintCut(QPainter& painter, const ReceiptItem& item, int top)
{
    const int middle = top + kLineSpacing / 2;
    const int dash = item.kind == ReceiptItem::Kind::FullCut ? 12 : 4;
    for (int x = 0; x < kDotsAcross; x += 2 * dash)
        painter.fillRect(x, middle, dash, 2, Qt::black);
}

} // namespace

int itemHeight(const ReceiptItem& item)
{
    switch (item.kind) {
    case ReceiptItem::Kind::Line:
        return kLineSpacing * (isTall(item) ? 2 : 1);
    case ReceiptItem::Kind::Feed:
        return kLineSpacing * std::clamp(item.lines, 0, kMaxFeedLines);
    case ReceiptItem::Kind::FullCut:
    case ReceiptItem::Kind::PartialCut:
        return kLineSpacing;
    case ReceiptItem::Kind::Picture:
        return item.picture ? item.picture->height : 0;
    }
    return 0;
}

QImage render(const QVector<ReceiptItem>& items)
{
    // Text needs the fonts, which only a GUI application has; without one Qt would abort.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
        throw std::runtime_error("The receipt picture cannot be drawn: this run has no fonts");
    int height = 0;
    for (const ReceiptItem& item : items)
        height += itemHeight(item);
    QImage paper(kDotsAcross, std::max(height, 1), QImage::Format_Grayscale8);
    if (paper.isNull())
        throw std::runtime_error("The receipt is too long for one picture");
    paper.fill(Qt::white);
    {
        const Typeface face;
        QPainter painter(&paper);
        painter.setPen(Qt::black);
        int top = 0;
        for (const ReceiptItem& item : items) {
            if (item.kind == ReceiptItem::Kind::Line)
                paintLine(painter, face, item, top);
            else if (item.kind == ReceiptItem::Kind::Picture)
                paintPicture(painter, item, top);
            else if (item.kind != ReceiptItem::Kind::Feed)
                paintCut(painter, item, top);
            top += itemHeight(item);
        }
    }
    // A thermal head burns a dot or leaves it: one bit per dot.
    QImage dots = paper.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
    const int dotsPerMetre = qRound(kDotsPerInch / 0.0254);
    dots.setDotsPerMeterX(dotsPerMetre);
    dots.setDotsPerMeterY(dotsPerMetre);
    return dots;
}

void savePng(const QImage& image, const QString& path)
{
    QImageWriter writer(path, "png");
    if (!writer.write(image))
        throw std::runtime_error(QStringLiteral("%1 cannot be written: %2")
                                     .arg(path, writer.errorString())
                                     .toStdString());
}

} // namespace receipt_image
