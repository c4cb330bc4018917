#include "services/FlexGridModel.h"

#include "services/LogExport.h"
#include "services/RecordStore.h"
#include "services/TextPool.h"

#include <QTimer>
#include <algorithm>
#include <climits>
#include <cstring>
#include <deque>
#include <stdexcept>
#include <unordered_map>
#include <vector>

namespace {

constexpr int kDesignedRows = 2;
constexpr int kStandardColWidth = 960;
// New rows, changed cells and scroll requests reach the views at most once per frame.
constexpr int kPublishDelayMs = 16;

// A cell colour stored in 4 bytes: 0 is the grid's standard colour, anything else an opaque RGB.
QRgb packColour(const QColor& colour)
{
    return colour.isValid() ? (colour.rgb() | 0xFF000000u) : 0u;
}

QVariant unpackColour(QRgb packed)
{
    return packed == 0 ? QVariant() : QVariant(QColor::fromRgb(packed));
}

struct Cell
{
    QString text;
    QRgb fore = 0;
    QRgb back = 0;
};

struct GridRow
{
    std::vector<Cell> cells;
    qint64 stamp = 0; // 0 = none
};

// Rows beyond the newest few thousand move into a record store, and from there mostly to a
// temporary file: a log of ten million rows stays a few megabytes in memory.
constexpr std::size_t kHotRowsMost = 4096;
constexpr std::size_t kHotRowsKept = 2048;

// A stored row: its stamp, then for each cell a flags byte, the colours it has and its text.
enum CellFlags : uint8_t
{
    kHasFore = 1,
    kHasBack = 2
};

template <typename T> void put(QByteArray& out, T value)
{
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

template <typename T> T take(const char*& in)
{
    T value;
    std::memcpy(&value, in, sizeof value);
    in += sizeof value;
    return value;
}

QByteArray encodeRow(const GridRow& row)
{
    QByteArray out;
    put(out, row.stamp);
    for (const Cell& cell : row.cells) {
        const QByteArray text = cell.text.toUtf8();
        put(out, uint8_t((cell.fore ? kHasFore : 0) | (cell.back ? kHasBack : 0)));
        if (cell.fore)
            put(out, cell.fore);
        if (cell.back)
            put(out, cell.back);
        put(out, uint32_t(text.size()));
        out.append(text);
    }
    return out;
}

// A row that could not be read back has no stamp and empty cells.
void decodeRow(const QByteArray& record, GridRow& row)
{
    std::fill(row.cells.begin(), row.cells.end(), Cell{});
    row.stamp = 0;
    if (record.isEmpty())
        return;
    const char* in = record.constData();
    row.stamp = take<qint64>(in);
    for (Cell& cell : row.cells) {
        const auto flags = take<uint8_t>(in);
        cell.fore = (flags & kHasFore) ? take<QRgb>(in) : 0;
        cell.back = (flags & kHasBack) ? take<QRgb>(in) : 0;
        const auto length = take<uint32_t>(in);
        cell.text = QString::fromUtf8(in, qsizetype(length));
        in += length;
    }
}

} // namespace

// Row 0 is kept apart; data rows 1..stored live in the record store, the newer ones in memory.
// A stored row that is changed again is copied out and kept in memory from then on.
class FlexGridModel::Impl
{
public:
    explicit Impl(int columns)
        : cols(columns),
          colWidths(std::size_t(columns), kStandardColWidth), header{std::vector<Cell>(
                                                                  std::size_t(columns))},
          decoded(header)
    {
        growHot(kDesignedRows - 1);
        publishTimer.setSingleShot(true);
        publishTimer.setInterval(kPublishDelayMs);
    }

    int stored() const { return int(store.size()); }
    int firstHot() const { return 1 + stored(); }
    int rows() const { return firstHot() + int(hot.size()); }

    const GridRow& rowAt(int row) const
    {
        if (row == 0)
            return header;
        if (row >= firstHot())
            return hot[std::size_t(row - firstHot())];
        if (const auto copy = copies.find(row); copy != copies.end())
            return copy->second;
        return readStored(row);
    }

    GridRow& writableRow(int row)
    {
        if (row == 0)
            return header;
        if (row >= firstHot())
            return hot[std::size_t(row - firstHot())];
        const auto [copy, added] = copies.try_emplace(row);
        if (added)
            copy->second = readStored(row);
        return copy->second;
    }

    const Cell& cell(int row, int col) const { return rowAt(row).cells[std::size_t(col)]; }
    Cell& writableCell(int row, int col) { return writableRow(row).cells[std::size_t(col)]; }

    void growHot(std::size_t count)
    {
        hot.resize(hot.size() + count, GridRow{std::vector<Cell>(std::size_t(cols))});
        if (hot.size() > kHotRowsMost)
            storeOldRows();
    }

    // Keeps rows 0..rows-1.
    void shrinkTo(int rows)
    {
        const int dataRows = rows - 1;
        if (dataRows >= stored()) {
            hot.resize(std::size_t(dataRows - stored()));
            return;
        }
        store.truncate(std::size_t(dataRows));
        hot.clear();
        std::erase_if(copies, [dataRows](const auto& copy) { return copy.first > dataRows; });
        blankUpTo = std::min(blankUpTo, dataRows);
        decodedRow = -1;
    }

    void clearCells()
    {
        const auto blank = [](GridRow& row) {
            std::fill(row.cells.begin(), row.cells.end(), Cell{});
        };
        blank(header);
        std::for_each(hot.begin(), hot.end(), blank);
        for (auto& [row, copy] : copies)
            blank(copy);
        blankUpTo = stored();
        decodedRow = -1;
    }

    void checkCell(int row, int col) const
    {
        if (row < 0 || row >= rows() || col < 0 || col >= cols)
            throw std::out_of_range("Subscript out of range");
    }

    // Sets the fore or back colour of the current cell.
    void setCurrentColour(QRgb Cell::*which, const QColor& colour)
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
    std::vector<int> colWidths;
    TextPool texts;
    int published = kDesignedRows; // rows the views know of, the header row included
    int row = 1;
    int col = 0;
    int topRow = 1;
    bool topRowPending = false;
    int dirtyFirst = INT_MAX; // rows changed since the last publish
    int dirtyLast = -1;
    QTimer publishTimer;

private:
    void storeOldRows()
    {
        const std::size_t moving = hot.size() - kHotRowsKept;
        for (std::size_t i = 0; i < moving; ++i)
            store.append(encodeRow(hot[i]));
        hot.erase(hot.begin(), hot.begin() + std::ptrdiff_t(moving));
    }

    const GridRow& readStored(int row) const
    {
        if (decodedRow != row) {
            QString lost;
            decodeRow(store.at(std::size_t(row - 1), &lost), decoded);
            if (row <= blankUpTo)
                std::fill(decoded.cells.begin(), decoded.cells.end(), Cell{});
            else if (!lost.isEmpty())
                decoded.cells.front().text = QStringLiteral("(row lost: %1)").arg(lost);
            decodedRow = row;
        }
        return decoded;
    }

    GridRow header;
    RecordStore store;       // rows 1..stored()
    std::deque<GridRow> hot; // the rows after them
    std::unordered_map<int, GridRow> copies;
    int blankUpTo = 0; // stored rows up to this one were cleared
    mutable int decodedRow = -1;
    mutable GridRow decoded;
};

FlexGridModel::FlexGridModel(int columns, QObject* parent)
    : QAbstractTableModel(parent), d(std::make_unique<Impl>(std::max(columns, 1)))
{
    connect(&d->publishTimer, &QTimer::timeout, this, [this] { flush(); });
}

FlexGridModel::~FlexGridModel() = default;

int FlexGridModel::Rows() const
{
    return d->rows();
}

void FlexGridModel::SetRows(int rows)
{
    if (rows < 1)
        throw std::out_of_range("Invalid Rows value");
    if (rows >= d->rows()) {
        d->growHot(std::size_t(rows - d->rows()));
        d->schedulePublish();
        return;
    }
    flush();
    if (rows < d->published) {
        beginRemoveRows({}, rows - 1, d->published - 2);
        d->shrinkTo(rows);
        d->published = rows;
        endRemoveRows();
    } else {
        d->shrinkTo(rows);
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
    d->growHot(1);
    d->writableCell(d->rows() - 1, 0).text = d->texts.share(text);
    d->schedulePublish();
}

void FlexGridModel::Clear()
{
    d->clearCells();
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
    if (row < 0 || row >= d->rows())
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
    d->setCurrentColour(&Cell::fore, colour);
}

void FlexGridModel::SetCellBackColor(const QColor& colour)
{
    d->setCurrentColour(&Cell::back, colour);
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
    return d->rowAt(row).stamp;
}

void FlexGridModel::SetRowStamp(int row, qint64 msecsSinceEpoch)
{
    d->checkCell(row, 0);
    d->writableRow(row).stamp = msecsSinceEpoch;
}

int FlexGridModel::TopRow() const
{
    return d->topRow;
}

void FlexGridModel::SetTopRow(int row)
{
    if (row < 1 || row >= d->rows())
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
    const Cell& cell = d->cell(index.row() + 1, index.column());
    switch (role) {
    case Qt::DisplayRole:
        return cell.text;
    case Qt::ForegroundRole:
        return unpackColour(cell.fore);
    case Qt::BackgroundRole:
        return unpackColour(cell.back);
    case Qt::ToolTipRole: {
        const qint64 stamp = RowStamp(index.row() + 1);
        if (stamp == 0)
            return {};
        QStringList lines{logTimeText(stamp)};
        for (int col = 0; col < d->cols; ++col)
            lines.append(d->cell(index.row() + 1, col).text);
        return lines.join(u'\n');
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
    const int rows = d->rows();
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
