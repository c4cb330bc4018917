#include "opos/LineDisplayText.h"

#include <algorithm>

namespace opos {

LineDisplayText::LineDisplayText(int rows, int columns)
    : m_rows(std::max(rows, 1)), m_columns(std::max(columns, 1))
{
    clear();
}

void LineDisplayText::clear()
{
    m_window.clear();
    for (int row = 0; row < m_rows; ++row)
        m_window.append(QString(m_columns, u' '));
    m_row = 0;
    m_column = 0;
}

void LineDisplayText::newLine()
{
    m_column = 0;
    if (m_row + 1 < m_rows) {
        ++m_row;
        return;
    }
    m_window.removeFirst();
    m_window.append(QString(m_columns, u' '));
}

void LineDisplayText::write(const QString& text)
{
    for (const QChar c : text) {
        if (c == u'\r') {
            m_column = 0;
            continue;
        }
        if (c == u'\n') {
            newLine();
            continue;
        }
        if (c < u' ')
            continue;
        if (m_column >= m_columns)
            newLine(); // wrap only when there is something to show on the next row
        m_window[m_row][m_column] = c;
        ++m_column;
    }
}

} // namespace opos
