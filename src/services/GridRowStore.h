#pragma once

#include "services/RecordStore.h"

#include <QColor>
#include <QString>
#include <deque>
#include <unordered_map>
#include <vector>

// One cell of a grid: its text and colours (0 = the grid's standard colour, else opaque RGB).
struct GridCell
{
    QString text;
    QRgb fore = 0;
    QRgb back = 0;
};

struct GridRow
{
    std::vector<GridCell> cells;
    qint64 stamp = 0; // 0 = none
};

// The rows of a grid, row 0 the header. Rows beyond the newest few thousand move into a record
// store, and from there mostly to a temporary file: ten million rows stay a few megabytes in
// memory. A stored row that is changed again is copied out and kept in memory from then on.
class GridRowStore
{
public:
    // width: the cells each row holds.
    GridRowStore(int width, int rows);
    GridRowStore(const GridRowStore&) = delete;
    GridRowStore& operator=(const GridRowStore&) = delete;

    int rows() const { return firstHot() + int(m_hot.size()); }
    const GridRow& rowAt(int row) const;
    GridRow& writableRow(int row);
    void grow(std::size_t count);
    void shrinkTo(int rows); // keeps rows 0..rows-1
    void clearCells();

private:
    int stored() const { return int(m_store.size()); }
    int firstHot() const { return 1 + stored(); }
    void storeOldRows();
    const GridRow& readStored(int row) const;

    const int m_width;
    GridRow m_header;
    RecordStore m_store;       // rows 1..stored()
    std::deque<GridRow> m_hot; // the rows after them
    std::unordered_map<int, GridRow> m_copies;
    int m_blankUpTo = 0; // stored rows up to this one were cleared
    mutable int m_decodedRow = -1;
    mutable GridRow m_decoded;
};
