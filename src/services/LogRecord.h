#pragma once

#include <QString>

class FlexGridModel;

// One operation-log row with everything it keeps: the two texts the grid shows, the moment it
// was written, and the notes no column shows (the call's arguments and its error).
struct LogRecord
{
    QString time;
    QString name;
    QString detail;
    QString arguments;
    QString error;
};

// The log grid's hidden notes, by number.
enum LogNote : int
{
    kArgumentsNote,
    kErrorNote,
    kLogNotes // how many there are
};

// A row's moment in ISO 8601 with milliseconds and the local offset from UTC; empty for 0.
QString logTimeText(qint64 msecsSinceEpoch);

// Row `row` of a log grid, whose notes are those above.
LogRecord logRecord(const FlexGridModel& grid, int row);

// A written row's tooltip: the moment, both texts, then the arguments and error that it has.
// Empty for a row not written yet.
QString logToolTip(const FlexGridModel& grid, int row);

// Control characters (ESC, NUL ...) as \x1b, \x00 ..., so that a text shows what it holds and a
// terminal or spreadsheet takes none of them as a command. keepLineEnds leaves tab, CR and LF.
QString visibleControls(const QString& text, bool keepLineEnds = false);
