#include "services/FlexGridModel.h"

#include "services/GridRowStore.h"
#include "services/TextPool.h"

#include <QTimer>
#include <algorithm>
#include <climits>
#include <stdexcept>
#include <vector>

namespace {

constexpr int kDesignedRows = 2;
constexpr int kStandardColWidth = 960;
// New rows, changed cells and scroll requests reach the views at most once per frame.
constexpr int kGridPublishDelayMs = 16;

QRgb packColour(const QColor& colour)
{
    return colour.isValid() ? (colour.rgb() | 0xFF000000u) : 0u;
}

QVariant unpackColour(QRgb packed)
{
    return packed == 0 ? QVariant() : QVariant(QColor::fromRgb(packed));
}

} // namespace

// The rows, the current cell, the column widths and what the views have been told so far.
class FlexGridModel::Impl
{
public:
    Impl(int columns, int rowNotes)
        : cols(columns), notes(rowNotes), colWidths(std::size_t(columns), kStandardColWidth),
          rowStore(columns + rowNotes, kDesignedRows)
    {
        publishTimer.setSingleShot(true);
        publishTimer.setInterval(kGridPublishDelayMs);
    }

    const GridCell& cell(int row, int col) const
    {
        return rowStore.rowAt(row).cells[std::size_t(col)];
    }
    GridCell& writableCell(int row, int col)
    {
        return rowStore.writableRow(row).cells[std::size_t(col)];
    }

    void checkCell(int row, int col) const
    {
        if (row < 0 || row >= rowStore.rows() || col < 0 || col >= cols)
            throw std::out_of_range("Subscript out of range");
    }

    // Sets the fore or back colour of the current cell.
    void setCurrentColour(QRgb GridCell::*which, const QColor& colour)
    {
        checkCell(row, col);
        writableCell(row, col).*which = packColour(colour);
        if (row > 0 && row < published)
            markDirty(row);
    }

    void markDirty(int row)
    {
        dirtyFirst = std::min(dirtyFirst, row);
        dirtyLast = std::max(dirtyLast, row);
        schedulePublish();
    }

    // A running timer is left alone, so a stream of changes is still published every frame.
    void schedulePublish()
    {
        if (!publishTimer.isActive())
            publishTimer.start();
    }

    const int cols;
    const int notes;
    std::vector<int> colWidths;
    GridRowStore rowStore;
    TextPool texts;
    std::function<QString(int)> toolTip;
    int published = kDesignedRows; // rows the views know of, the header row included
    int row = 1;
    int col = 0;
    int topRow = 1;
    bool topRowPending = false;
    int dirtyFirst = INT_MAX; // rows changed since the last publish
    int dirtyLast = -1;
    QTimer publishTimer;
};

FlexGridModel::FlexGridModel(int columns, int rowNotes, QObject* parent)
    : QAbstractTableModel(parent),
      d(std::make_unique<Impl>(std::max(columns, 1), std::max(rowNotes, 0)))
{
    connect(&d->publishTimer, &QTimer::timeout, this, [this] { flush(); });
}

FlexGridModel::~FlexGridModel() = default;

int FlexGridModel::Rows() const
{
    return d->rowStore.rows();
}

void FlexGridModel::SetRows(int rows)
{
    if (rows < 1)
        throw std::out_of_range("Invalid Rows value");
    if (rows >= d->rowStore.rows()) {
        d->rowStore.grow(std::size_t(rows - d->rowStore.rows()));
        d->schedulePublish();
        return;
    }
    flush();
    if (rows < d->published) {
        beginRemoveRows({}, rows - 1, d->published - 2);
        d->rowStore.shrinkTo(rows);
        d->published = rows;
        endRemoveRows();
    } else {
        d->rowStore.shrinkTo(rows);
    }
    d->row = std::min(d->row, rows - 1);
    d->topRow = std::min(d->topRow, rows - 1);
}

int FlexGridModel::Cols() const
{
    return d->cols;
}

void FlexGridModel::AddItem(const QString& text)
{
    d->rowStore.grow(1);
    d->writableCell(d->rowStore.rows() - 1, 0).text = d->texts.share(text);
    d->schedulePublish();
}

void FlexGridModel::Clear()
{
    d->rowStore.clearCells();
    if (d->published > 1) {
        d->markDirty(1);
        d->markDirty(d->published - 1);
    }
    emit headerDataChanged(Qt::Horizontal, 0, d->cols - 1);
}

QString FlexGridModel::TextMatrix(int row, int col) const
{
    d->checkCell(row, col);
    return d->cell(row, col).text;
}

void FlexGridModel::SetTextMatrix(int row, int col, const QString& text)
{
    d->checkCell(row, col);
    d->writableCell(row, col).text = d->texts.share(text);
    if (row == 0)
        emit headerDataChanged(Qt::Horizontal, col, col);
    else if (row < d->published)
        d->markDirty(row);
}

int FlexGridModel::Row() const
{
    return d->row;
}

void FlexGridModel::SetRow(int row)
{
    if (row < 0 || row >= d->rowStore.rows())
        throw std::out_of_range("Invalid Row value");
    d->row = row;
}

int FlexGridModel::Col() const
{
    return d->col;
}

void FlexGridModel::SetCol(int col)
{
    if (col < 0 || col >= d->cols)
        throw std::out_of_range("Invalid Col value");
    d->col = col;
}

QString FlexGridModel::Text() const
{
    return TextMatrix(d->row, d->col);
}

void FlexGridModel::SetText(const QString& text)
{
    SetTextMatrix(d->row, d->col, text);
}

void FlexGridModel::SetCellForeColor(const QColor& colour)
{
    d->setCurrentColour(&GridCell::fore, colour);
}

void FlexGridModel::SetCellBackColor(const QColor& colour)
{
    d->setCurrentColour(&GridCell::back, colour);
}

QColor FlexGridModel::CellForeColor(int row, int col) const
{
    d->checkCell(row, col);
    return unpackColour(d->cell(row, col).fore).value<QColor>();
}

QColor FlexGridModel::CellBackColor(int row, int col) const
{
    d->checkCell(row, col);
    return unpackColour(d->cell(row, col).back).value<QColor>();
}

qint64 FlexGridModel::RowStamp(int row) const
{
    d->checkCell(row, 0);
    return d->rowStore.rowAt(row).stamp;
}

void FlexGridModel::SetRowStamp(int row, qint64 msecsSinceEpoch)
{
    d->checkCell(row, 0);
    d->rowStore.writableRow(row).stamp = msecsSinceEpoch;
}

QString FlexGridModel::RowNote(int row, int note) const
{
    d->checkCell(row, 0);
    if (note < 0 || note >= d->notes)
        throw std::out_of_range("Invalid note");
    return d->cell(row, d->cols + note).text;
}

void FlexGridModel::SetRowNote(int row, int note, const QString& text)
{
    d->checkCell(row, 0);
    if (note < 0 || note >= d->notes)
        throw std::out_of_range("Invalid note");
    d->writableCell(row, d->cols + note).text = d->texts.share(text);
}

void FlexGridModel::setToolTipSource(std::function<QString(int row)> source)
{
    d->toolTip = std::move(source);
}

int FlexGridModel::TopRow() const
{
    return d->topRow;
}

void FlexGridModel::SetTopRow(int row)
{
    if (row < 1 || row >= d->rowStore.rows())
        throw std::out_of_range("Invalid Row value");
    d->topRow = row;
    d->topRowPending = true;
    d->schedulePublish();
}

int FlexGridModel::ColWidth(int col) const
{
    if (col < 0 || col >= d->cols)
        throw std::out_of_range("Invalid Col value");
    return d->colWidths[std::size_t(col)];
}

void FlexGridModel::SetColWidth(int col, int twips)
{
    if (col < 0 || col >= d->cols)
        throw std::out_of_range("Invalid Col value");
    d->colWidths[std::size_t(col)] = twips < 0 ? kStandardColWidth : twips;
    emit colWidthChanged(col, d->colWidths[std::size_t(col)]);
}

int FlexGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : d->published - 1;
}

int FlexGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : d->cols;
}

QVariant FlexGridModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const GridCell& cell = d->cell(index.row() + 1, index.column());
    switch (role) {
    case Qt::DisplayRole:
        return cell.text;
    case Qt::ForegroundRole:
        return unpackColour(cell.fore);
    case Qt::BackgroundRole:
        return unpackColour(cell.back);
    case Qt::ToolTipRole: {
        const QString tip = d->toolTip ? d->toolTip(index.row() + 1) : QString();
        return tip.isEmpty() ? QVariant() : QVariant(tip);
    }
    default:
        return {};
    }
}

QVariant FlexGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= d->cols)
            return {};
        if (role == Qt::DisplayRole)
            return d->cell(0, section).text;
        if (role == Qt::ForegroundRole)
            return unpackColour(d->cell(0, section).fore);
        return {};
    }
    if (role == Qt::DisplayRole && section >= 0 && section < d->published - 1)
        return section + 1;
    return {};
}

void FlexGridModel::flush()
{
    d->publishTimer.stop();
    const int rows = d->rowStore.rows();
    if (rows > d->published) {
        beginInsertRows({}, d->published - 1, rows - 2);
        d->published = rows;
        endInsertRows();
    }
    if (d->dirtyLast >= 0) {
        const int first = std::max(d->dirtyFirst, 1);
        const int last = std::min(d->dirtyLast, d->published - 1);
        d->dirtyFirst = INT_MAX;
        d->dirtyLast = -1;
        if (first <= last)
            emit dataChanged(index(first - 1, 0), index(last - 1, d->cols - 1));
    }
    if (d->topRowPending) {
        d->topRowPending = false;
        emit topRowChanged(d->topRow);
    }
}
