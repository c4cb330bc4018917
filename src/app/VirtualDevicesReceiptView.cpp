#include "app/VirtualDevicesReceiptView.h"

#include <QFontDatabase>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <algorithm>

using sim::ReceiptItem;

namespace {

const QColor kBackground(0x5c, 0x5f, 0x66);
const QColor kPaper(0xfd, 0xfd, 0xf8);
const QColor kInk(0x1a, 0x1a, 0x1a);
const QColor kCutMark(0x8a, 0x8a, 0x8a);
constexpr int kSideMargin = 16;
constexpr int kPaperPadding = 10;
constexpr int kTopMargin = 14;
constexpr int kBottomMargin = 24;
constexpr int kFullCutHeight = 30;
constexpr int kToothWidth = 8;

} // namespace

VirtualDevicesReceiptView::VirtualDevicesReceiptView(QWidget* parent)
    : QAbstractScrollArea(parent), m_font(QFontDatabase::systemFont(QFontDatabase::FixedFont))
{
    m_font.setStyleHint(QFont::Monospace);
    m_font.setPixelSize(13);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    verticalScrollBar()->setSingleStep(lineHeight());
    viewport()->setAutoFillBackground(false);
}

const ReceiptItem& VirtualDevicesReceiptView::item(int index) const
{
    return m_entries.at(static_cast<std::size_t>(index)).item;
}

void VirtualDevicesReceiptView::append(const QVector<ReceiptItem>& items, qsizetype from)
{
    from = std::max<qsizetype>(from, 0);
    // Items that would be dropped at once are never laid out.
    const qsizetype skip = std::max<qsizetype>(0, items.size() - from - kKeptItems);
    m_dropped += skip;
    qint64 top = m_entries.empty() ? 0 : m_entries.back().top + m_entries.back().height;
    for (qsizetype i = from + skip; i < items.size(); ++i) {
        const int height = heightOf(items[i]);
        m_entries.push_back({items[i], top, height});
        top += height;
    }
    while (m_entries.size() > static_cast<std::size_t>(kKeptItems)) {
        m_entries.pop_front();
        ++m_dropped;
    }
    updateScrollRange();
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    viewport()->update();
}

void VirtualDevicesReceiptView::clear()
{
    m_entries.clear();
    m_dropped = 0;
    updateScrollRange();
    viewport()->update();
}

QRect VirtualDevicesReceiptView::itemRect(int index) const
{
    const Entry& entry = m_entries.at(static_cast<std::size_t>(index));
    const qint64 y =
        contentTop() + entry.top - m_entries.front().top - verticalScrollBar()->value();
    return {paperLeft(), static_cast<int>(y), paperWidth(), entry.height};
}

QRect VirtualDevicesReceiptView::printableArea() const
{
    return {paperLeft() + kPaperPadding, 0, kPaperColumns * charWidth(), viewport()->height()};
}

QSize VirtualDevicesReceiptView::sizeHint() const
{
    return {minimumSizeHint().width(), 40 * lineHeight()};
}

QSize VirtualDevicesReceiptView::minimumSizeHint() const
{
    const int scrollBar = verticalScrollBar()->sizeHint().width();
    return {paperWidth() + 2 * kSideMargin + scrollBar + 2 * frameWidth(), 8 * lineHeight()};
}

int VirtualDevicesReceiptView::charWidth() const
{
    return QFontMetrics(m_font).horizontalAdvance(QLatin1Char('M'));
}

int VirtualDevicesReceiptView::lineHeight() const
{
    return QFontMetrics(m_font).height() + 3;
}

int VirtualDevicesReceiptView::rowsOf(const ReceiptItem& item) const
{
    const qsizetype columns = item.text.size() * (item.doubleWidth ? 2 : 1);
    return static_cast<int>(std::max<qsizetype>(1, (columns + kPaperColumns - 1) / kPaperColumns));
}

int VirtualDevicesReceiptView::heightOf(const ReceiptItem& item) const
{
    switch (item.kind) {
    case ReceiptItem::Kind::Line:
        return rowsOf(item) * lineHeight() * (item.doubleHeight ? 2 : 1);
    case ReceiptItem::Kind::Feed:
        return std::clamp(item.lines, 0, 1000) * lineHeight();
    case ReceiptItem::Kind::FullCut:
        return kFullCutHeight;
    case ReceiptItem::Kind::PartialCut:
        return lineHeight();
    }
    return 0;
}

int VirtualDevicesReceiptView::paperWidth() const
{
    return kPaperColumns * charWidth() + 2 * kPaperPadding;
}

int VirtualDevicesReceiptView::paperLeft() const
{
    return std::max(kSideMargin, (viewport()->width() - paperWidth()) / 2);
}

int VirtualDevicesReceiptView::contentTop() const
{
    return kTopMargin + (m_dropped > 0 ? lineHeight() : 0);
}

qint64 VirtualDevicesReceiptView::rollHeight() const
{
    if (m_entries.empty())
        return 0;
    return m_entries.back().top + m_entries.back().height - m_entries.front().top;
}

void VirtualDevicesReceiptView::updateScrollRange()
{
    const qint64 document = contentTop() + rollHeight() + kBottomMargin;
    const qint64 maximum = std::max<qint64>(0, document - viewport()->height());
    verticalScrollBar()->setRange(0, static_cast<int>(std::min<qint64>(maximum, INT_MAX)));
    verticalScrollBar()->setPageStep(viewport()->height());
}

void VirtualDevicesReceiptView::resizeEvent(QResizeEvent* event)
{
    const bool atEnd = verticalScrollBar()->value() == verticalScrollBar()->maximum();
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRange();
    if (atEnd)
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

QFont VirtualDevicesReceiptView::lineFont(const ReceiptItem& item) const
{
    QFont font = m_font;
    font.setBold(item.bold);
    font.setUnderline(item.underline);
    return font;
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
            QRect(0, rollTop - lineHeight() - kTopMargin / 2, area.width(), lineHeight()),
            Qt::AlignCenter, tr("%1 earlier items not kept").arg(m_dropped));
    }
    // The paper runs from the start of the roll to the bottom: it is still in the printer.
    painter.fillRect(QRect(paperLeft(), rollTop - kTopMargin / 2, paperWidth(),
                           area.height() - rollTop + kTopMargin),
                     kPaper);
    if (m_entries.empty())
        return;

    const qint64 base = m_entries.front().top;
    const qint64 visibleTop = scroll - contentTop();
    auto it = std::partition_point(m_entries.begin(), m_entries.end(), [&](const Entry& e) {
        return e.top - base + e.height <= visibleTop;
    });
    for (; it != m_entries.end(); ++it) {
        const qint64 y = rollTop + (it->top - base);
        if (y > area.bottom())
            break;
        if (it->item.kind == ReceiptItem::Kind::Line)
            paintLine(painter, *it, static_cast<int>(y));
        else if (it->item.kind != ReceiptItem::Kind::Feed)
            paintCut(painter, *it, static_cast<int>(y));
    }
}

void VirtualDevicesReceiptView::paintLine(QPainter& painter, const Entry& entry, int y) const
{
    const ReceiptItem& item = entry.item;
    const int scaleX = item.doubleWidth ? 2 : 1;
    const int scaleY = item.doubleHeight ? 2 : 1;
    const int perRow = kPaperColumns / scaleX;
    const int rowHeight = lineHeight() * scaleY;
    const QFont font = lineFont(item);
    const int ascent = QFontMetrics(font).ascent();
    const int left = paperLeft() + kPaperPadding;
    const int width = kPaperColumns * charWidth();
    painter.setFont(font);
    painter.setPen(kInk);
    for (int row = 0; row < rowsOf(item); ++row) {
        const QString chunk = item.text.mid(static_cast<qsizetype>(row) * perRow, perRow);
        const int chunkWidth = static_cast<int>(chunk.size()) * charWidth() * scaleX;
        int x = left;
        if (item.align == ReceiptItem::Align::Centre)
            x += (width - chunkWidth) / 2;
        else if (item.align == ReceiptItem::Align::Right)
            x += width - chunkWidth;
        painter.save();
        painter.translate(x, y + row * rowHeight + 1);
        painter.scale(scaleX, scaleY);
        painter.drawText(QPoint(0, ascent), chunk);
        painter.restore();
    }
}

// A full cut separates the paper: a torn lower edge, a gap, a torn upper edge. A partial cut
// leaves the paper whole and shows as a dashed line.
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
