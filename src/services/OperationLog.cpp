#include "services/OperationLog.h"

#include "services/FlexGridModel.h"
#include "services/FormState.h"

#include <QDateTime>
#include <limits>
#include <stdexcept>

OperationLog::OperationLog(FlexGridModel& grid, FormState& form)
    : m_grid(grid), m_form(form), m_clock([] { return QDateTime::currentMSecsSinceEpoch(); })
{}

void OperationLog::AppendLogRow(const QString& name, const QString& detail)
{
    m_grid.SetTextMatrix(m_form.LogRow, 0, name);
    m_grid.SetTextMatrix(m_form.LogRow, 1, detail);
    advance();
}

void OperationLog::AppendEventLogRow(const QString& name, const QColor& nameColour,
                                     const QString& detail)
{
    m_grid.SetRow(m_form.LogRow);
    m_grid.SetCol(0);
    m_grid.SetCellForeColor(nameColour);
    m_grid.SetText(name);
    m_grid.SetRow(m_form.LogRow);
    m_grid.SetCol(1);
    m_grid.SetCellForeColor(QColor()); // the standard colour, whatever the row held before
    m_grid.SetText(detail);
    advance();
}

void OperationLog::advance()
{
    if (m_form.LogRow == std::numeric_limits<int32_t>::max())
        throw std::overflow_error("Overflow");
    m_grid.SetRowStamp(m_form.LogRow, m_clock());
    ++m_form.LogRow;
    if (m_form.LogRow >= m_grid.Rows()) {
        // Keep exactly one empty row at the end and bring it into view.
        m_grid.AddItem(QString());
        m_grid.SetTopRow(m_form.LogRow);
    }
}
