#include "services/LogExport.h"

#include "services/FlexGridModel.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <stdexcept>
#include <vector>

namespace {

constexpr qsizetype kFlushChars = 1 << 20;

// Formats moments quickly: rows written within one second share everything but the
// milliseconds, so the calendar is consulted once per second.
class TimeFormatter
{
public:
    QString format(qint64 msecs)
    {
        if (msecs == 0)
            return {};
        const qint64 second = msecs >= 0 ? msecs / 1000 : (msecs - 999) / 1000;
        if (second != m_second || m_head.isEmpty()) {
            const QString full = logTimeText(second * 1000);
            m_second = second;
            m_head = full.left(19); // yyyy-MM-ddTHH:mm:ss
            m_tail = full.mid(23);  // the offset after .zzz
        }
        const qint64 millis = msecs - m_second * 1000;
        return m_head + u'.' + QString::number(millis).rightJustified(3, u'0') + m_tail;
    }

private:
    qint64 m_second = 0;
    QString m_head;
    QString m_tail;
};

// The fields of one log row as written out: time, name, detail, arguments, error.
QStringList exportFields(const FlexGridModel& grid, int row, TimeFormatter& times)
{
    return {times.format(grid.RowStamp(row)), grid.TextMatrix(row, 0), grid.TextMatrix(row, 1),
            grid.RowNote(row, kArgumentsNote), grid.RowNote(row, kErrorNote)};
}

QStringList exportHeader(const FlexGridModel& grid)
{
    return {QStringLiteral("TIME"), grid.TextMatrix(0, 0), grid.TextMatrix(0, 1),
            QStringLiteral("ARGUMENTS"), QStringLiteral("ERROR")};
}

bool needsQuotes(const QString& field, QChar separator)
{
    return field.contains(separator) || field.contains(u'"') || field.contains(u'\n') ||
           field.contains(u'\r');
}

// A field a spreadsheet would take for a formula.
bool looksLikeFormula(const QString& field)
{
    return !field.isEmpty() && QStringView(u"=+-@").contains(field.front());
}

enum class Guard
{
    None,
    Formulas // a leading ' before a field that looks like a formula
};

void appendField(QString& out, const QString& given, QChar separator, Guard guard)
{
    QString field = visibleControls(given, true);
    if (guard == Guard::Formulas && looksLikeFormula(field))
        field.prepend(u'\'');
    if (!needsQuotes(field, separator)) {
        out += field;
        return;
    }
    out += u'"';
    out += field.replace(u'"', QStringLiteral("\"\""));
    out += u'"';
}

void appendRecord(QString& out, const QStringList& fields, QChar separator, QStringView lineEnd,
                  Guard guard = Guard::None)
{
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += separator;
        appendField(out, fields[i], separator, guard);
    }
    out += lineEnd;
}

void writeChunk(QIODevice& out, QString& text)
{
    const QByteArray bytes = text.toUtf8();
    if (out.write(bytes) != bytes.size())
        throw std::runtime_error("The log could not be written: " +
                                 out.errorString().toStdString());
    text.clear();
}

void writeCsv(const FlexGridModel& grid, int endRow, QIODevice& out)
{
    QString text;
    TimeFormatter times;
    appendRecord(text, exportHeader(grid), u',', u"\r\n");
    for (int row = 1; row < endRow; ++row) {
        appendRecord(text, exportFields(grid, row, times), u',', u"\r\n", Guard::Formulas);
        if (text.size() > kFlushChars)
            writeChunk(out, text);
    }
    writeChunk(out, text);
}

// Continuation lines of a field start under its column.
QString indentLines(const QString& text, qsizetype indent)
{
    if (!text.contains(u'\n'))
        return text;
    QString result = text;
    result.remove(u'\r');
    return result.replace(u'\n', u'\n' + QString(indent, u' '));
}

// Columns padded to the widest first line of each; the last column and the continuation lines
// of a detail are not padded.
void writeAligned(const FlexGridModel& grid, int endRow, QIODevice& out)
{
    const auto firstLine = [](const QString& text) { return text.section(u'\n', 0, 0); };
    const QStringList header = exportHeader(grid);
    std::vector<qsizetype> widths(std::size_t(header.size()), 0);
    widths[0] = logTimeText(QDateTime::currentMSecsSinceEpoch()).size();
    const auto widen = [&widths, &firstLine](const QStringList& fields) {
        for (std::size_t col = 1; col + 1 < widths.size(); ++col)
            widths[col] = std::max(widths[col], firstLine(fields[qsizetype(col)]).size());
    };
    TimeFormatter times;
    widen(header);
    for (int row = 1; row < endRow; ++row)
        widen(exportFields(grid, row, times));

    QString text;
    const auto line = [&](QStringList fields) {
        QString rest;
        for (qsizetype col = 0; col < fields.size(); ++col) {
            QString field = visibleControls(fields[col], col == 2);
            const bool last = col + 1 == fields.size();
            if (!last && field.contains(u'\n')) {
                rest += u'\n' + field.section(u'\n', 1);
                field = firstLine(field);
            }
            text += last ? field : field.leftJustified(widths[std::size_t(col)] + 2);
        }
        if (!rest.isEmpty()) // a detail's further lines, under its column
            text += indentLines(rest, widths[0] + 2 + widths[1] + 2);
        while (text.endsWith(u' '))
            text.chop(1);
        text += u'\n';
    };
    line(header);
    for (int row = 1; row < endRow; ++row) {
        line(exportFields(grid, row, times));
        if (text.size() > kFlushChars)
            writeChunk(out, text);
    }
    writeChunk(out, text);
}

} // namespace

LogFormat logFormatFor(const QString& fileName)
{
    return QFileInfo(fileName).suffix().compare(QLatin1String("txt"), Qt::CaseInsensitive) == 0
               ? LogFormat::AlignedText
               : LogFormat::Csv;
}

void writeLog(const FlexGridModel& grid, int endRow, LogFormat format, QIODevice& out)
{
    endRow = std::clamp(endRow, 1, grid.Rows());
    if (format == LogFormat::Csv)
        writeCsv(grid, endRow, out);
    else
        writeAligned(grid, endRow, out);
}

void saveLogFile(const FlexGridModel& grid, int endRow, const QString& path)
{
    QSaveFile file(path);
    const auto fail = [&] {
        throw std::runtime_error(
            QStringLiteral("%1 cannot be written: %2").arg(path, file.errorString()).toStdString());
    };
    if (!file.open(QIODevice::WriteOnly))
        fail();
    writeLog(grid, endRow, logFormatFor(path), file);
    if (!file.commit())
        fail();
}

QString rowsAsTabText(const FlexGridModel& grid, const QList<int>& rows, bool withTime)
{
    QString text;
    TimeFormatter times;
    for (int row : rows) {
        if (withTime) {
            appendRecord(text, exportFields(grid, row, times), u'\t', u"\n");
            continue;
        }
        QStringList fields;
        for (int col = 0; col < grid.Cols(); ++col) {
            if (grid.ColWidth(col) != 0) // hidden columns stay behind
                fields.append(grid.TextMatrix(row, col));
        }
        appendRecord(text, fields, u'\t', u"\n");
    }
    return text;
}
