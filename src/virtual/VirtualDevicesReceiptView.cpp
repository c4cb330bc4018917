#include "virtual/VirtualDevicesReceiptView.h"

#include <QFontDatabase>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QtMath>
#include <algorithm>
#include <span>

using sim::ReceiptItem;

namespace {

const QColor kBackground(0x5c, 0x5f, 0x66);
const QColor kPaper(0xfd, 0xfd, 0xf8);
const QColor kInk(0x1a, 0x1a, 0x1a);
const QColor kCutMark(0x8a, 0x8a, 0x8a);
constexpr int kSideMargin = 10;
constexpr int kPaperPadding = 8;
constexpr int kTopMargin = 14;
constexpr int kBottomMargin = 24;
constexpr int kFullCutHeight = 30;
constexpr int kToothWidth = 8;

// The runs of a line; a line without runs is one run in the line's style, kept in single.
std::span<const ReceiptItem::Run> runsOf(const ReceiptItem& item, ReceiptItem::Run& single)
{
    if (!item.runs.isEmpty())
        return {item.runs.constData(), static_cast<std::size_t>(item.runs.size())};
    single = {item.text, item.bold, item.underline, item.doubleWidth, item.doubleHeight};
    return {&single, 1};
}

bool isTall(const ReceiptItem& item)
{
    if (item.runs.isEmpty())
        return item.doubleHeight;
    return std::any_of(item.runs.begin(), item.runs.end(),
                       [](const auto& run) { return run.doubleHeight; });
}

// Whether the family has a bold face of its own; without one, bold is drawn by overstriking,
// which looks bold whatever the font engine would make of it.
bool hasBoldFace(const QString& family)
{
    const QStringList styles = QFontDatabase::styles(family);
    return std::any_of(styles.begin(), styles.end(), [&](const QString& style) {
        return QFontDatabase::weight(family, style) >= QFont::Bold;
    });
}

} // namespace

VirtualDevicesReceiptView::VirtualDevicesReceiptView(QWidget* parent)
    : QAbstractScrollArea(parent), m_font(QFontDatabase::systemFont(QFontDatabase::FixedFont))
{
    m_font.setStyleHint(QFont::Monospace);
    m_font.setPixelSize(12);
    const QFontMetrics metrics(m_font);
    // A whole number of pixels per column, at least the font's own advance.
    m_charWidth = qCeil(QFontMetricsF(m_font).horizontalAdvance(QLatin1Char('M')));
    m_lineHeight = metrics.height() + 3;
    // Letter spacing makes every character advance one whole column, so that text keeps to the
    // printer's grid whatever the font's own advance is; the spare pixels are shared out on
    // both sides of each character.
    const qreal advance = QFontMetricsF(m_font).horizontalAdvance(QLatin1Char('M'));
    m_cellInset = static_cast<int>((m_charWidth - advance) / 2);
    m_overstrikeBold = !hasBoldFace(QFontInfo(m_font).family());
    for (std::size_t i = 0; i < m_runFonts.size(); ++i) {
        QFont& font = m_runFonts[i];
        font = m_font;
        font.setBold((i & 1) != 0 && !m_overstrikeBold);
        font.setUnderline((i & 2) != 0);
        font.setLetterSpacing(QFont::AbsoluteSpacing,
                              m_charWidth -
                                  QFontMetricsF(font).horizontalAdvance(QLatin1Char('M')));
    }
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    verticalScrollBar()->setSingleStep(m_lineHeight);
    viewport()->setAutoFillBackground(false);
}

const ReceiptItem& VirtualDevicesReceiptView::item(int index) const
{
    return m_entries.at(static_cast<std::size_t>(index)).item;
}

void VirtualDevicesReceiptView::setItems(const QVector<ReceiptItem>& items)
{
    const qsizetype first = std::max<qsizetype>(0, items.size() - kKeptItems);
    m_dropped = first;
    m_entries.clear();
    m_entries.reserve(static_cast<std::size_t>(items.size() - first));
    int top = 0;
    for (qsizetype i = first; i < items.size(); ++i) {
        const int height = heightOf(items[i]);
        m_entries.push_back({items[i], top, height});
        top += height;
    }
    updateScrollRange();
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    viewport()->update();
}

QRect VirtualDevicesReceiptView::itemRect(int index) const
{
    const Entry& entry = m_entries.at(static_cast<std::size_t>(index));
    return {paperLeft(), contentTop() + entry.top - verticalScrollBar()->value(), paperWidth(),
            entry.height};
}

QRect VirtualDevicesReceiptView::printableArea() const
{
    return {paperLeft() + kPaperPadding, 0, kPaperColumns * m_charWidth, viewport()->height()};
}

QSize VirtualDevicesReceiptView::sizeHint() const
{
    const int scrollBar = verticalScrollBar()->sizeHint().width();
    return {paperWidth() + 2 * kSideMargin + scrollBar + 2 * frameWidth(), 40 * m_lineHeight};
}

// Narrower than the paper, the roll scrolls sideways.
QSize VirtualDevicesReceiptView::minimumSizeHint() const
{
    const int scrollBar = verticalScrollBar()->sizeHint().width();
    return {kPaperColumns * m_charWidth / 2 + scrollBar + 2 * frameWidth(), 8 * m_lineHeight};
}

int VirtualDevicesReceiptView::heightOf(const ReceiptItem& item) const
{
    switch (item.kind) {
    case ReceiptItem::Kind::Line:
        return m_lineHeight * (isTall(item) ? 2 : 1);
    case ReceiptItem::Kind::Feed:
        return std::clamp(item.lines, 0, 1000) * m_lineHeight;
    case ReceiptItem::Kind::FullCut:
        return kFullCutHeight;
    case ReceiptItem::Kind::PartialCut:
        return m_lineHeight;
    case ReceiptItem::Kind::Picture:
        return item.picture ? qCeil(pictureScale(m_charWidth) * item.picture->height) : 0;
    }
    return 0;
}

int VirtualDevicesReceiptView::paperWidth() const
{
    return kPaperColumns * m_charWidth + 2 * kPaperPadding;
}

int VirtualDevicesReceiptView::paperLeft() const
{
    return std::max(kSideMargin, (viewport()->width() - paperWidth()) / 2) -
           horizontalScrollBar()->value();
}

int VirtualDevicesReceiptView::contentTop() const
{
    return kTopMargin + (m_dropped > 0 ? m_lineHeight : 0);
}

int VirtualDevicesReceiptView::rollHeight() const
{
    return m_entries.empty() ? 0 : m_entries.back().top + m_entries.back().height;
}

void VirtualDevicesReceiptView::updateScrollRange()
{
    const int document = contentTop() + rollHeight() + kBottomMargin;
    verticalScrollBar()->setRange(0, std::max(0, document - viewport()->height()));
    verticalScrollBar()->setPageStep(viewport()->height());
    const int width = paperWidth() + 2 * kSideMargin;
    horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setSingleStep(m_charWidth);
}

void VirtualDevicesReceiptView::resizeEvent(QResizeEvent* event)
{
    const bool atEnd = verticalScrollBar()->value() == verticalScrollBar()->maximum();
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRange();
    if (atEnd)
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

const QFont& VirtualDevicesReceiptView::runFont(const ReceiptItem::Run& run) const
{
    return m_runFonts[(run.bold ? 1U : 0U) | (run.underline ? 2U : 0U)];
}

void VirtualDevicesReceiptView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    const QRect area = viewport()->rect();
    painter.fillRect(area, kBackground);

    const int scroll = verticalScrollBar()->value();
    const int rollTop = contentTop() - scroll;
    if (m_dropped > 0) {
        painter.setPen(kPaper);
        painter.setFont(m_font);
        painter.drawText(
            QRect(0, rollTop - m_lineHeight - kTopMargin / 2, area.width(), m_lineHeight),
            Qt::AlignCenter, tr("%1 earlier items not kept").arg(m_dropped));
    }
    // The paper runs from the start of the roll to the bottom: it is still in the printer.
    painter.fillRect(QRect(paperLeft(), rollTop - kTopMargin / 2, paperWidth(),
                           area.height() - rollTop + kTopMargin),
                     kPaper);
    if (m_entries.empty())
        return;

    const int visibleTop = scroll - contentTop();
    auto it = std::partition_point(m_entries.begin(), m_entries.end(),
                                   [&](const Entry& e) { return e.top + e.height <= visibleTop; });
    for (; it != m_entries.end() && rollTop + it->top <= area.bottom(); ++it) {
        if (it->item.kind == ReceiptItem::Kind::Line)
            paintLine(painter, *it, rollTop + it->top);
        else if (it->item.kind == ReceiptItem::Kind::Picture)
            paintPicture(painter, *it, rollTop + it->top);
        else if (it->item.kind != ReceiptItem::Kind::Feed)
            paintCut(painter, *it, rollTop + it->top);
    }
}

// The printer prints on a grid of columns, one per character (two in double width), and so
// does the view: each character sits in its own cell of m_charWidth pixels, whatever the
// font's own advance, which need not be a whole number of pixels. Lines and cells start on
// whole pixels, so the same text looks the same wherever its line is aligned. Runs share one
// baseline at the foot of the line. A line wider than the paper (a narrower font on the
// printer) is squeezed to fit as a whole.
void VirtualDevicesReceiptView::paintLine(QPainter& painter, const Entry& entry, int y) const
{
    const ReceiptItem& item = entry.item;
    ReceiptItem::Run single;
    const auto runs = runsOf(item, single);
    qsizetype columns = 0;
    for (const auto& run : runs)
        columns += run.text.size() * (run.doubleWidth ? 2 : 1);
    const int width = kPaperColumns * m_charWidth;
    const qsizetype natural = columns * m_charWidth;
    const qreal squeeze = natural > width ? qreal(width) / qreal(natural) : 1;
    qreal x = paperLeft() + kPaperPadding;
    if (natural < width && item.align == ReceiptItem::Align::Centre)
        x += static_cast<int>((width - natural) / 2);
    else if (natural < width && item.align == ReceiptItem::Align::Right)
        x += static_cast<int>(width - natural);
    const bool tall = entry.height > m_lineHeight; // holds a double-height run
    const int baseline = y + 1 + QFontMetrics(m_font).ascent() * (tall ? 2 : 1);
    painter.setPen(kInk);
    for (const auto& run : runs) {
        const int widthFactor = run.doubleWidth ? 2 : 1;
        painter.save();
        painter.setFont(runFont(run));
        painter.translate(x, baseline);
        painter.scale(squeeze * widthFactor, run.doubleHeight ? 2 : 1);
        painter.drawText(QPointF(m_cellInset, 0), run.text);
        if (run.bold && m_overstrikeBold) // one pixel to the right, as a printer double-strikes
            painter.drawText(QPointF(m_cellInset + 1 / (squeeze * widthFactor), 0), run.text);
        painter.restore();
        x += qreal(run.text.size() * m_charWidth) * squeeze * widthFactor;
    }
}

// A full cut separates the paper: a torn lower edge, a gap, a torn upper edge. A partial cut
// leaves the paper whole and shows as a dashed line.
// A barcode or image: its dots scaled with the paper (48 columns of 12 dots).
void VirtualDevicesReceiptView::paintPicture(QPainter& painter, const Entry& entry, int y) const
{
    const opos::DotImage& dots = *entry.item.picture;
    QImage picture(reinterpret_cast<const uchar*>(dots.bits.constData()), dots.width, dots.height,
                   dots.bytesPerRow(), QImage::Format_Mono);
    picture.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    const qreal scale = pictureScale(m_charWidth);
    const QRectF target(paperLeft() + kPaperPadding + entry.item.left * scale, y,
                        dots.width * scale, dots.height * scale);
    painter.drawImage(target, picture);
}

void VirtualDevicesReceiptView::paintCut(QPainter& painter, const Entry& entry, int y) const
{
    QFont small = m_font;
    small.setPixelSize(10);
    painter.setFont(small);
    if (entry.item.kind == ReceiptItem::Kind::FullCut) {
        const int gapTop = y + 6;
        const int gapBottom = y + entry.height - 6;
        painter.fillRect(QRect(paperLeft(), gapTop, paperWidth(), gapBottom - gapTop), kBackground);
        paintTearEdge(painter, gapTop, false);
        paintTearEdge(painter, gapBottom, true);
        painter.setPen(kPaper);
        painter.drawText(QRect(paperLeft(), gapTop, paperWidth(), gapBottom - gapTop),
                         Qt::AlignCenter, tr("full cut"));
        return;
    }
    const int middle = y + entry.height / 2;
    painter.setPen(QPen(kCutMark, 1, Qt::DashLine));
    painter.drawLine(paperLeft(), middle, paperLeft() + paperWidth(), middle);
    const QString label = tr("partial cut");
    const int labelWidth = QFontMetrics(small).horizontalAdvance(label) + 8;
    const QRect labelRect(paperLeft() + paperWidth() - kPaperPadding - labelWidth, y, labelWidth,
                          entry.height);
    painter.fillRect(labelRect, kPaper);
    painter.setPen(kCutMark);
    painter.drawText(labelRect, Qt::AlignCenter, label);
}

// Saw teeth along a torn edge: down into the gap below the piece that was cut off, up into the
// gap above the paper still in the printer.
void VirtualDevicesReceiptView::paintTearEdge(QPainter& painter, int y, bool pointingUp) const
{
    const int depth = pointingUp ? -4 : 4;
    QPainterPath teeth;
    teeth.moveTo(paperLeft(), y);
    for (int x = paperLeft(); x < paperLeft() + paperWidth(); x += kToothWidth) {
        teeth.lineTo(std::min(x + kToothWidth / 2, paperLeft() + paperWidth()), y + depth);
        teeth.lineTo(std::min(x + kToothWidth, paperLeft() + paperWidth()), y);
    }
    teeth.closeSubpath();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kPaper);
    painter.drawPath(teeth);
    painter.restore();
}
