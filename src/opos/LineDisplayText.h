#pragma once

#include <QStringList>

namespace opos {

// The text window of a line display: rows of blanks, a cursor that writes, wraps at the end of
// a row and scrolls the window up below the last row. CR returns to the start of the row, LF
// goes to the next row.
class LineDisplayText
{
public:
    LineDisplayText(int rows, int columns);

    void clear(); // blanks everything and homes the cursor
    void write(const QString& text);
    const QStringList& window() const { return m_window; }
    int cursorRow() const { return m_row; }
    int cursorColumn() const { return m_column; }

private:
    void newLine();

    int m_rows;
    int m_columns;
    QStringList m_window;
    int m_row = 0;
    int m_column = 0;
};

} // namespace opos
