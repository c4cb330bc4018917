#pragma once

#include "services/LogRecord.h"

#include <QList>
#include <QString>

class FlexGridModel;
class QIODevice;

// The operation log as it leaves the application: saved as CSV or aligned text, or copied as
// tab-separated text. Each row carries the moment it was written, and the log's rows their
// arguments and error (see LogRecord). Control characters are written visibly (\x1b).

enum class LogFormat
{
    Csv,        // RFC 4180: comma-separated, fields quoted where needed, CRLF line ends; a field
                // starting with = + - @ gets a leading ' so that no spreadsheet runs it
    AlignedText // columns padded with blanks, for reading
};

// The format a file name asks for: aligned text for a ".txt" name, else CSV.
LogFormat logFormatFor(const QString& fileName);

// Writes the log's header and its data rows 1 to endRow - 1 as UTF-8: time, method/event,
// result/parameters, arguments, error. A write that fails throws std::runtime_error with the
// device's reason.
void writeLog(const FlexGridModel& grid, int endRow, LogFormat format, QIODevice& out);
// The same into a file, replaced only once everything has been written.
void saveLogFile(const FlexGridModel& grid, int endRow, const QString& path);

// The given rows as tab-separated lines, one per row, of the shown columns. withTime takes them
// as log rows: the moment first, the arguments and error last. Fields holding a tab, a line
// end or a quote are quoted as in CSV, as spreadsheets expect.
QString rowsAsTabText(const FlexGridModel& grid, const QList<int>& rows, bool withTime);
