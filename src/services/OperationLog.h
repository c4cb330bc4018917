#pragma once

#include <QColor>
#include <QString>
#include <cstdint>
#include <functional>

class FlexGridModel;
struct FormState;

// What a row keeps besides its two shown texts: the call's arguments and why it failed.
struct LogRowNotes
{
    QString arguments;
    QString error;
};

// The operation log over the log grid: one row per printer method called and per printer event,
// in order. The window's LogRow is the next row to write; the grid always keeps it as an existing
// empty row. The grid must keep the notes of LogRecord.h; a row shows them in its tooltip.
class OperationLog
{
public:
    OperationLog(FlexGridModel& grid, FormState& form);
    OperationLog(const OperationLog&) = delete;
    OperationLog& operator=(const OperationLog&) = delete;

    // Where the moment of each row comes from, in ms since the epoch; the system clock unless
    // replaced.
    void setClock(std::function<qint64()> clock) { m_clock = std::move(clock); }

    // A command row in the grid's standard text colour.
    void AppendLogRow(const QString& name, const QString& detail, const LogRowNotes& notes = {});
    // An event row: the name in the event's colour, the detail in the standard colour. Leaves
    // the detail cell as the grid's current cell.
    void AppendEventLogRow(const QString& name, const QColor& nameColour, const QString& detail,
                           const LogRowNotes& notes = {});

private:
    void advance(const LogRowNotes& notes);

    FlexGridModel& m_grid;
    FormState& m_form;
    std::function<qint64()> m_clock;
};
