#include "app/dialogs/EscapeMarks.h"

#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPainter>
#include <QTextLayout>
#include <algorithm>
#include <vector>

namespace escape_marks {

namespace {

const QString kMarkText = QStringLiteral("ESC");
constexpr int kPadding = 2; // inside the frame, left and right
constexpr int kSpacing = 1; // outside the frame, left and right

QFont markFont(const QFont& font)
{
    QFont small = font;
    small.setBold(false);
    small.setPointSizeF(std::max(5.0, QFontInfo(font).pointSizeF() * 0.65));
    return small;
}

} // namespace

bool isEscape(QChar c)
{
    return c == QChar(0x1b) || c == QChar(0x241b);
}

int markWidth(const QFont& font)
{
    return QFontMetrics(markFont(font)).horizontalAdvance(kMarkText) + 2 * kPadding + 2 +
           2 * kSpacing;
}

void paintMark(QPainter& painter, const QRect& cell, const QFont& font, const QColor& colour,
               const QColor& background)
{
    const QFont small = markFont(font);
    const QFontMetrics metrics(small);
    const int height = std::min(cell.height(), metrics.height() + 2);
    const QRect frame(cell.left() + kSpacing, cell.top() + (cell.height() - height) / 2,
                      cell.width() - 2 * kSpacing - 1, height - 1);
    painter.save();
    painter.fillRect(cell, background);
    painter.setPen(colour);
    painter.drawRect(frame);
    painter.setFont(small);
    painter.drawText(frame, Qt::AlignCenter, kMarkText);
    painter.restore();
}

int textWidth(const QString& text, const QFont& font)
{
    const QFontMetrics metrics(font);
    int width = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !isEscape(text[i]))
            continue;
        width += metrics.horizontalAdvance(text.mid(start, i - start));
        if (i < text.size())
            width += markWidth(font);
        start = i + 1;
    }
    return width;
}

void paintText(QPainter& painter, const QRect& rect, const QString& text, const QFont& font,
               const QColor& colour, const QColor& background)
{
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    painter.setFont(font);
    painter.setPen(colour);
    const QFontMetrics metrics(font);
    int x = rect.left();
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size() && x <= rect.right(); ++i) {
        if (i < text.size() && !isEscape(text[i]))
            continue;
        const QString run = text.mid(start, i - start);
        painter.drawText(QRect(x, rect.top(), rect.right() - x + 1, rect.height()),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, run);
        x += metrics.horizontalAdvance(run);
        if (i < text.size()) {
            paintMark(painter, QRect(x, rect.top(), markWidth(font), rect.height()), font, colour,
                      background);
            x += markWidth(font);
        }
        start = i + 1;
    }
    painter.restore();
}

} // namespace escape_marks

namespace {

bool hasEscape(const QString& text)
{
    return std::any_of(text.begin(), text.end(), escape_marks::isEscape);
}

// Where the escape characters of text lie, each with the letter spacing that widens it to a
// mark's width.
// The text as a line edit lays it out: it shows control characters as spaces.
QString shownText(QString text)
{
    for (QChar& c : text) {
        if (c.unicode() < 0x20 && c != u'\t')
            c = u' ';
    }
    return text;
}

QList<QTextLayout::FormatRange> markRooms(const QString& text, const QFont& font)
{
    const QFontMetricsF metrics(font);
    QList<QTextLayout::FormatRange> rooms;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!escape_marks::isEscape(text[i]))
            continue;
        QTextCharFormat room;
        room.setFontLetterSpacingType(QFont::AbsoluteSpacing);
        room.setFontLetterSpacing(escape_marks::markWidth(font) -
                                  metrics.horizontalAdvance(shownText(QString(text[i]))));
        rooms.append({int(i), 1, room});
    }
    return rooms;
}

} // namespace

void EscapeTextDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const
{
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    if (!hasEscape(item.text)) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    const QString text = item.text;
    item.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);
    const QRect area = style->subElementRect(QStyle::SE_ItemViewItemText, &item, widget);
    const bool selected = item.state & QStyle::State_Selected;
    const QPalette::ColorGroup group =
        item.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
    const QColor colour =
        item.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text);
    const QColor background = selected ? item.palette.color(group, QPalette::Highlight)
                              : item.backgroundBrush.style() != Qt::NoBrush
                                  ? item.backgroundBrush.color()
                                  : item.palette.color(group, QPalette::Base);
    // The style's own text margin, as the plain text would have had.
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    escape_marks::paintText(*painter, area.adjusted(margin, 0, -margin, 0), text, item.font, colour,
                            background);
}

QSize EscapeTextDelegate::sizeHint(const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    if (hasEscape(item.text)) {
        const int plain = QFontMetrics(item.font).horizontalAdvance(item.text);
        size.rwidth() += std::max(0, escape_marks::textWidth(item.text, item.font) - plain);
    }
    return size;
}

LineEditEscapeMarks::LineEditEscapeMarks(QLineEdit& edit) : QObject(&edit), m_edit(edit)
{
    // Once the edit has finished its own change: inside it, the edit lays its text out again.
    connect(&edit, &QLineEdit::textChanged, this, &LineEditEscapeMarks::makeRoom,
            Qt::QueuedConnection);
    edit.installEventFilter(this);
    makeRoom();
}

// Letter spacing on each escape character widens it in the edit's own layout to a mark's width,
// so that the cursor, selection and clicks keep working around it. The edit takes formats only
// as an input method's attributes, whose positions count from the cursor.
void LineEditEscapeMarks::makeRoom()
{
    const QString text = m_edit.text();
    const bool hadRooms = hasEscape(m_roomFor);
    m_roomFor = text;
    if (!hasEscape(text) && !hadRooms)
        return;
    QList<QInputMethodEvent::Attribute> formats;
    for (const QTextLayout::FormatRange& room : markRooms(text, m_edit.font()))
        formats.append({QInputMethodEvent::TextFormat, room.start - m_edit.cursorPosition(),
                        room.length, room.format});
    QInputMethodEvent event(QString(), formats);
    QCoreApplication::sendEvent(&m_edit, &event);
}

bool LineEditEscapeMarks::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != &m_edit || event->type() != QEvent::Paint || m_painting)
        return false;
    // A paint before the queued makeRoom() (a grab right after setText()) would show the rooms
    // of the text before.
    if (m_edit.text() != m_roomFor)
        makeRoom();
    if (!hasEscape(m_roomFor))
        return false;
    // The edit paints first, then the marks go over the room it left.
    m_painting = true;
    static_cast<QObject&>(m_edit).event(event);
    m_painting = false;
    paintMarks();
    return true;
}

// Where each escape character lies is asked of the edit itself, which knows its own scrolling:
// the position nearest to a point turns from i to i + 1 in the middle of character i.
void LineEditEscapeMarks::paintMarks()
{
    const QString text = m_edit.text();
    const QFont font = m_edit.font();
    const QRect inside = m_edit.rect().adjusted(2, 2, -2, -2);
    const int y = inside.center().y();
    std::vector<int> middles(std::size_t(text.size()) + 1, -1);
    for (int x = inside.left(); x <= inside.right(); ++x) {
        const int position = m_edit.cursorPositionAt(QPoint(x, y));
        if (position > 0 && position <= text.size() && middles[std::size_t(position)] < 0)
            middles[std::size_t(position)] = x;
    }
    QPainter painter(&m_edit);
    painter.setClipRect(inside);
    const QPalette& palette = m_edit.palette();
    const int width = escape_marks::markWidth(font);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int middle = middles[std::size_t(i) + 1];
        if (!escape_marks::isEscape(text[i]) || middle < 0)
            continue;
        const QRect cell(middle - width / 2, inside.top(), width, inside.height());
        const bool selected =
            m_edit.hasSelectedText() && i >= m_edit.selectionStart() && i < m_edit.selectionEnd();
        escape_marks::paintMark(
            painter, cell, font,
            palette.color(selected ? QPalette::HighlightedText : QPalette::Text),
            palette.color(selected ? QPalette::Highlight : QPalette::Base));
    }
}
