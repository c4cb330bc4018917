#pragma once

#include <QColor>
#include <QString>
#include <cstdint>

class FlexGridModel;
struct FormState;

// The operation log over the log grid: one row per printer method called and per printer event,
// in order. The window's LogRow is the next row to write; the grid always keeps it as an existing
// empty row.
class OperationLog
{
public:
    OperationLog(FlexGridModel& grid, FormState& form);
    OperationLog(const OperationLog&) = delete;
    OperationLog& operator=(const OperationLog&) = delete;

    // A command row in the grid's standard text colour.
    void AppendLogRow(const QString& name, const QString& detail);
    // An event row: the name in the event's colour, the detail in the standard colour. Leaves
    // the detail cell as the grid's current cell.
    void AppendEventLogRow(const QString& name, const QColor& nameColour, const QString& detail);

private:
    void advance();

    FlexGridModel& m_grid;
    FormState& m_form;
};
