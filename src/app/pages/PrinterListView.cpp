#include "app/pages/PrinterListView.h"

#include "services/PrinterListModel.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

PrinterListView::PrinterListView(PrinterListModel& list, QWidget* parent)
    : QListView(parent), m_list(list)
{
    setModel(&list);
    setUniformItemSizes(true);
    setVerticalScrollMode(ScrollPerItem); // the scroll bar's value is the top row
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionMode(SingleSelection);
    setEditTriggers(NoEditTriggers);
    connect(&list, &PrinterListModel::listIndexChanged, this,
            [this](int index) { showListIndex(index); });
    // A click selects an item, as in a list box.
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid() && current.row() < m_list.ListCount())
                    m_list.SetListIndex(current.row());
            });
}

void PrinterListView::showListIndex(int index)
{
    if (index < 0) {
        selectionModel()->clear();
        return;
    }
    const QModelIndex item = model()->index(index, 0);
    selectionModel()->setCurrentIndex(item, QItemSelectionModel::ClearAndSelect);
    scrollTo(item);
}

int PrinterListView::rowHeight() const
{
    if (m_rowHeight == 0) {
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        option.features |= QStyleOptionViewItem::HasDisplay;
        option.text = QStringLiteral("Xg");
        m_rowHeight = std::max(
            1, style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this).height());
    }
    return m_rowHeight;
}

int PrinterListView::rowCount() const
{
    return model() ? model()->rowCount(rootIndex()) : 0;
}

int PrinterListView::topRow() const
{
    return verticalScrollBar()->value();
}

int PrinterListView::fullyVisibleRows() const
{
    return std::max(1, viewport()->height() / rowHeight());
}

QRect PrinterListView::rowsRect(int first, int last) const
{
    const qint64 height = rowHeight();
    const qint64 top = (qint64(first) - topRow()) * height;
    const qint64 bottom = (qint64(last) - topRow() + 1) * height;
    // Rows far outside the view end just outside it, so the numbers never overflow.
    const qint64 limit = viewport()->height() + height;
    const auto clip = [limit, height](qint64 y) { return int(std::clamp(y, -height, limit)); };
    return QRect(QPoint(0, clip(top)), QPoint(viewport()->width() - 1, clip(bottom) - 1));
}

QRect PrinterListView::visualRect(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != model())
        return {};
    return rowsRect(index.row(), index.row());
}

void PrinterListView::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    if (!index.isValid())
        return;
    const int row = index.row();
    const int visible = fullyVisibleRows();
    int top = topRow();
    switch (hint) {
    case EnsureVisible:
        if (row < top)
            top = row;
        else if (row >= top + visible)
            top = row - visible + 1;
        break;
    case PositionAtTop:
        top = row;
        break;
    case PositionAtBottom:
        top = row - visible + 1;
        break;
    case PositionAtCenter:
        top = row - visible / 2;
        break;
    }
    verticalScrollBar()->setValue(top);
}

QModelIndex PrinterListView::indexAt(const QPoint& point) const
{
    if (point.y() < 0 || point.x() < 0 || point.x() >= viewport()->width())
        return {};
    const qint64 row = topRow() + qint64(point.y() / rowHeight());
    if (row >= rowCount())
        return {};
    return model()->index(int(row), 0, rootIndex());
}

void PrinterListView::doItemsLayout()
{
    // Nothing to lay out: rows are placed by arithmetic. Only the scroll bar follows.
    QAbstractItemView::doItemsLayout();
}

int PrinterListView::horizontalOffset() const
{
    return 0;
}

int PrinterListView::verticalOffset() const
{
    return int(std::min<qint64>(qint64(topRow()) * rowHeight(), INT_MAX));
}

bool PrinterListView::isIndexHidden(const QModelIndex&) const
{
    return false;
}

QModelIndex PrinterListView::moveCursor(CursorAction action, Qt::KeyboardModifiers)
{
    const int rows = rowCount();
    if (rows == 0)
        return {};
    const int current = currentIndex().isValid() ? currentIndex().row() : -1;
    int row = current;
    switch (action) {
    case MoveUp:
    case MovePrevious:
        row = current - 1;
        break;
    case MoveDown:
    case MoveNext:
        row = current + 1;
        break;
    case MovePageUp:
        row = current - fullyVisibleRows();
        break;
    case MovePageDown:
        row = current + fullyVisibleRows();
        break;
    case MoveHome:
        row = 0;
        break;
    case MoveEnd:
        row = rows - 1;
        break;
    case MoveLeft:
    case MoveRight:
        break;
    }
    return model()->index(std::clamp(row, 0, rows - 1), 0, rootIndex());
}

void PrinterListView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags flags)
{
    const int rows = rowCount();
    const QRect area = rect.normalized();
    if (rows == 0 || area.bottom() < 0)
        return;
    const int height = rowHeight();
    const int first =
        int(std::min<qint64>(topRow() + qint64(std::max(0, area.top()) / height), rows - 1));
    const int last = int(std::min<qint64>(topRow() + qint64(area.bottom() / height), rows - 1));
    selectionModel()->select(
        QItemSelection(model()->index(first, 0, rootIndex()), model()->index(last, 0, rootIndex())),
        flags);
}

QRegion PrinterListView::visualRegionForSelection(const QItemSelection& selection) const
{
    QRegion region;
    for (const QItemSelectionRange& range : selection)
        region += rowsRect(range.top(), range.bottom());
    return region & viewport()->rect();
}

void PrinterListView::paintEvent(QPaintEvent* event)
{
    const int rows = rowCount();
    if (rows == 0)
        return;
    QPainter painter(viewport());
    QStyleOptionViewItem base;
    initViewItemOption(&base);
    const QModelIndex current = currentIndex();
    const bool focus = (hasFocus() || viewport()->hasFocus()) && current.isValid();
    const int height = rowHeight();
    const int top = topRow();
    const int first = top + std::max(0, event->rect().top() / height);
    const int last = int(std::min<qint64>(top + qint64(event->rect().bottom() / height), rows - 1));
    for (int row = first; row <= last; ++row) {
        const QModelIndex index = model()->index(row, 0, rootIndex());
        QStyleOptionViewItem option = base;
        option.rect = QRect(0, (row - top) * height, viewport()->width(), height);
        if (selectionModel()->isSelected(index))
            option.state |= QStyle::State_Selected;
        if (focus && index == current)
            option.state |= QStyle::State_HasFocus;
        itemDelegateForIndex(index)->paint(&painter, option, index);
    }
}

void PrinterListView::updateGeometries()
{
    const int visible = fullyVisibleRows();
    verticalScrollBar()->setSingleStep(1);
    verticalScrollBar()->setPageStep(visible);
    verticalScrollBar()->setRange(0, std::max(0, rowCount() - visible));
    horizontalScrollBar()->setRange(0, 0);
    QAbstractItemView::updateGeometries();
}

void PrinterListView::rowsInserted(const QModelIndex& parent, int start, int end)
{
    QAbstractItemView::rowsInserted(parent, start, end);
    updateGeometries();
    if (start < topRow() + fullyVisibleRows() + 1 && end >= topRow())
        viewport()->update();
}

void PrinterListView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                  const QList<int>& roles)
{
    QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
}

void PrinterListView::scrollContentsBy(int, int dy)
{
    if (std::abs(dy) < fullyVisibleRows())
        viewport()->scroll(0, dy * rowHeight());
    else
        viewport()->update();
}

void PrinterListView::resizeEvent(QResizeEvent* event)
{
    QAbstractItemView::resizeEvent(event);
}

void PrinterListView::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        m_rowHeight = 0;
        updateGeometries();
    }
    QListView::changeEvent(event);
}
