#include "services/OperationLog.h"

#include "services/FlexGridModel.h"
#include "services/FormState.h"
#include "services/LogRecord.h"

#include <QDateTime>
#include <limits>
#include <stdexcept>

OperationLog::OperationLog(FlexGridModel& grid, FormState& form)
    : m_grid(grid), m_form(form), m_clock([] { return QDateTime::currentMSecsSinceEpoch(); })
{
    m_grid.setToolTipSource([&grid](int row) { return logToolTip(grid, row); });
}

void OperationLog::AppendLogRow(const QString& name, const QString& detail,
                                const LogRowNotes& notes)
{
    m_grid.SetTextMatrix(m_form.LogRow, 0, name);
    m_grid.SetTextMatrix(m_form.LogRow, 1, detail);
    advance(notes);
}

void OperationLog::AppendEventLogRow(const QString& name, const QColor& nameColour,
                                     const QString& detail, const LogRowNotes& notes)
{
    m_grid.SetRow(m_form.LogRow);
    m_grid.SetCol(0);
    m_grid.SetCellForeColor(nameColour);
    m_grid.SetText(name);
    m_grid.SetRow(m_form.LogRow);
    m_grid.SetCol(1);
    m_grid.SetCellForeColor(QColor()); // the standard colour, whatever the row held before
    m_grid.SetText(detail);
    advance(notes);
}

// The row's notes are written even when empty: a row reused after a cleared grid keeps none of
// its earlier ones.
void OperationLog::advance(const LogRowNotes& notes)
{
    if (m_form.LogRow == std::numeric_limits<int32_t>::max())
        throw std::overflow_error("Overflow");
    m_grid.SetRowNote(m_form.LogRow, kArgumentsNote, notes.arguments);
    m_grid.SetRowNote(m_form.LogRow, kErrorNote, notes.error);
    m_grid.SetRowStamp(m_form.LogRow, m_clock());
    ++m_form.LogRow;
    if (m_form.LogRow >= m_grid.Rows()) {
        // Keep exactly one empty row at the end and bring it into view.
        m_grid.AddItem(QString());
        m_grid.SetTopRow(m_form.LogRow);
    }
}
