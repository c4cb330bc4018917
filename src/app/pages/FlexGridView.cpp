#include "app/pages/FlexGridView.h"

#include "app/pages/Twips.h"
#include "services/FlexGridModel.h"

#include <QEvent>
#include <QHeaderView>

FlexGridView::FlexGridView(FlexGridModel& grid, QWidget* parent) : QTableView(parent), m_grid(grid)
{
    setModel(&grid);
    setEditTriggers(NoEditTriggers);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    // Tab moves on to the next control, as from any other control; the arrow keys move the
    // current cell.
    setTabKeyNavigation(false);
    verticalHeader()->hide();
    // Fixed heights keep scrolling and appending cheap at a million rows.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setHighlightSections(false);
    fitRowHeight();
    for (int col = 0; col < grid.Cols(); ++col)
        applyColWidth(col, grid.ColWidth(col));
    connect(&grid, &FlexGridModel::colWidthChanged, this,
            [this](int col, int twips) { applyColWidth(col, twips); });
    connect(&grid, &FlexGridModel::topRowChanged, this, [this](int row) { showTopRow(row); });
}

void FlexGridView::changeEvent(QEvent* event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        fitRowHeight();
}

void FlexGridView::applyColWidth(int col, int twips)
{
    setColumnHidden(col, twips == 0);
    if (twips > 0)
        setColumnWidth(col, twipsToPixels(twips));
}

void FlexGridView::showTopRow(int row)
{
    // The view shows grid row r as its row r - 1.
    const QModelIndex index = model()->index(row - 1, 0);
    if (!index.isValid())
        return;
    // Rows published a moment ago have not reached the scroll bar's range yet.
    updateGeometries();
    scrollTo(index, PositionAtTop);
}

void FlexGridView::fitRowHeight()
{
    const int height = fontMetrics().height() + 4;
    verticalHeader()->setMinimumSectionSize(height);
    verticalHeader()->setDefaultSectionSize(height);
}
