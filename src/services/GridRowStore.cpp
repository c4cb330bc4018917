#include "services/GridRowStore.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

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
    for (const GridCell& cell : row.cells) {
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
    std::fill(row.cells.begin(), row.cells.end(), GridCell{});
    row.stamp = 0;
    if (record.isEmpty())
        return;
    const char* in = record.constData();
    row.stamp = take<qint64>(in);
    for (GridCell& cell : row.cells) {
        const auto flags = take<uint8_t>(in);
        cell.fore = (flags & kHasFore) ? take<QRgb>(in) : 0;
        cell.back = (flags & kHasBack) ? take<QRgb>(in) : 0;
        const auto length = take<uint32_t>(in);
        cell.text = QString::fromUtf8(in, qsizetype(length));
        in += length;
    }
}

void blank(GridRow& row)
{
    std::fill(row.cells.begin(), row.cells.end(), GridCell{});
}

} // namespace

GridRowStore::GridRowStore(int width, int rows)
    : m_width(width), m_header{std::vector<GridCell>(std::size_t(width))}, m_decoded(m_header)
{
    grow(std::size_t(std::max(rows - 1, 0)));
}

const GridRow& GridRowStore::rowAt(int row) const
{
    if (row == 0)
        return m_header;
    if (row >= firstHot())
        return m_hot[std::size_t(row - firstHot())];
    if (const auto copy = m_copies.find(row); copy != m_copies.end())
        return copy->second;
    return readStored(row);
}

GridRow& GridRowStore::writableRow(int row)
{
    if (row == 0)
        return m_header;
    if (row >= firstHot())
        return m_hot[std::size_t(row - firstHot())];
    const auto [copy, added] = m_copies.try_emplace(row);
    if (added)
        copy->second = readStored(row);
    return copy->second;
}

void GridRowStore::grow(std::size_t count)
{
    m_hot.resize(m_hot.size() + count, GridRow{std::vector<GridCell>(std::size_t(m_width))});
    if (m_hot.size() > kHotRowsMost)
        storeOldRows();
}

void GridRowStore::shrinkTo(int rows)
{
    const int dataRows = rows - 1;
    if (dataRows >= stored()) {
        m_hot.resize(std::size_t(dataRows - stored()));
        return;
    }
    m_store.truncate(std::size_t(dataRows));
    m_hot.clear();
    std::erase_if(m_copies, [dataRows](const auto& copy) { return copy.first > dataRows; });
    m_blankUpTo = std::min(m_blankUpTo, dataRows);
    m_decodedRow = -1;
}

void GridRowStore::clearCells()
{
    blank(m_header);
    std::for_each(m_hot.begin(), m_hot.end(), blank);
    for (auto& [row, copy] : m_copies)
        blank(copy);
    m_blankUpTo = stored();
    m_decodedRow = -1;
}

void GridRowStore::storeOldRows()
{
    const std::size_t moving = m_hot.size() - kHotRowsKept;
    for (std::size_t i = 0; i < moving; ++i)
        m_store.append(encodeRow(m_hot[i]));
    m_hot.erase(m_hot.begin(), m_hot.begin() + std::ptrdiff_t(moving));
}

const GridRow& GridRowStore::readStored(int row) const
{
    if (m_decodedRow != row) {
        QString lost;
        decodeRow(m_store.at(std::size_t(row - 1), &lost), m_decoded);
        if (row <= m_blankUpTo)
            blank(m_decoded);
        else if (!lost.isEmpty() && !m_decoded.cells.empty())
            m_decoded.cells.front().text = QStringLiteral("(row lost: %1)").arg(lost);
        m_decodedRow = row;
    }
    return m_decoded;
}
