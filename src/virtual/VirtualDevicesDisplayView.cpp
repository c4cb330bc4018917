#include "virtual/VirtualDevicesDisplayView.h"

#include "opos/OposConstants.h"

#include <QFontDatabase>
#include <QPainter>
#include <algorithm>

namespace {

const QColor kGlass(0x0b, 0x14, 0x12);
const QColor kCell(0x15, 0x24, 0x20);
const QColor kGlyph(0x6f, 0xff, 0xd8);
constexpr int kMargin = 8;
constexpr int kDefaultRows = 2;
constexpr int kDefaultColumns = 20;

bool isReverse(int32_t attribute)
{
    return attribute == opos::DISP_DT_REVERSE || attribute == opos::DISP_DT_BLINK_REVERSE;
}

bool isBlinking(int32_t attribute)
{
    return attribute == opos::DISP_DT_BLINK || attribute == opos::DISP_DT_BLINK_REVERSE;
}

} // namespace

VirtualDevicesDisplayView::VirtualDevicesDisplayView(QWidget* parent)
    : QWidget(parent), m_font(QFontDatabase::systemFont(QFontDatabase::FixedFont))
{
    m_font.setStyleHint(QFont::Monospace);
    m_font.setPixelSize(17);
    m_font.setBold(true);
    m_rows = QStringList(kDefaultRows, QString(kDefaultColumns, QLatin1Char(' ')));
    m_blink.setInterval(500);
    connect(&m_blink, &QTimer::timeout, this, [this] {
        m_blinkOff = !m_blinkOff;
        update();
    });
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void VirtualDevicesDisplayView::setContent(const QStringList& rows, int32_t attribute)
{
    const QSize before = sizeHint();
    m_rows = rows;
    m_attribute = attribute;
    m_blinkOff = false;
    if (isBlinking(attribute))
        m_blink.start();
    else
        m_blink.stop();
    if (sizeHint() != before)
        updateGeometry();
    update();
}

int VirtualDevicesDisplayView::columns() const
{
    qsizetype widest = 0;
    for (const QString& row : m_rows)
        widest = std::max(widest, row.size());
    return static_cast<int>(std::max<qsizetype>(widest, 1));
}

QSize VirtualDevicesDisplayView::cellSize() const
{
    const QFontMetrics metrics(m_font);
    return {metrics.horizontalAdvance(QLatin1Char('M')) + 4, metrics.height() + 6};
}

QSize VirtualDevicesDisplayView::sizeHint() const
{
    const QSize cell = cellSize();
    const auto rows = static_cast<int>(std::max<qsizetype>(m_rows.size(), 1));
    return {columns() * cell.width() + 2 * kMargin, rows * cell.height() + 2 * kMargin};
}

void VirtualDevicesDisplayView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kGlass);
    painter.drawRoundedRect(rect(), 6, 6);

    const bool reverse = isReverse(m_attribute);
    const bool hidden = isBlinking(m_attribute) && m_blinkOff;
    const QSize cell = cellSize();
    painter.setFont(m_font);
    for (qsizetype row = 0; row < m_rows.size(); ++row) {
        const QString& text = m_rows[row];
        for (int column = 0; column < columns(); ++column) {
            const QRect box(kMargin + column * cell.width(),
                            kMargin + static_cast<int>(row) * cell.height(), cell.width() - 2,
                            cell.height() - 2);
            painter.fillRect(box, reverse && !hidden ? kGlyph : kCell);
            if (hidden || column >= text.size())
                continue;
            painter.setPen(reverse ? kGlass : kGlyph);
            painter.drawText(box, Qt::AlignCenter, QString(text[column]));
        }
    }
}
