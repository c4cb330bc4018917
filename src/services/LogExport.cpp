#include "services/LogExport.h"

#include "services/FlexGridModel.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <stdexcept>

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

bool needsQuotes(const QString& field, QChar separator)
{
    return field.contains(separator) || field.contains(u'"') || field.contains(u'\n') ||
           field.contains(u'\r');
}

void appendField(QString& out, const QString& field, QChar separator)
{
    if (!needsQuotes(field, separator)) {
        out += field;
        return;
    }
    out += u'"';
    out += QString(field).replace(u'"', QStringLiteral("\"\""));
    out += u'"';
}

void appendRecord(QString& out, const QStringList& fields, QChar separator, QStringView lineEnd)
{
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += separator;
        appendField(out, fields[i], separator);
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

QString header(const FlexGridModel& grid, int col)
{
    return grid.TextMatrix(0, col);
}

// Continuation lines of a detail start under the detail column.
QString indentLines(const QString& text, qsizetype indent)
{
    if (!text.contains(u'\n'))
        return text;
    QString result = text;
    result.remove(u'\r');
    return result.replace(u'\n', u'\n' + QString(indent, u' '));
}

void writeCsv(const FlexGridModel& grid, int endRow, QIODevice& out)
{
    QString text;
    TimeFormatter times;
    appendRecord(text, {QStringLiteral("TIME"), header(grid, 0), header(grid, 1)}, u',', u"\r\n");
    for (int row = 1; row < endRow; ++row) {
        appendRecord(
            text,
            {times.format(grid.RowStamp(row)), grid.TextMatrix(row, 0), grid.TextMatrix(row, 1)},
            u',', u"\r\n");
        if (text.size() > kFlushChars)
            writeChunk(out, text);
    }
    writeChunk(out, text);
}

void writeAligned(const FlexGridModel& grid, int endRow, QIODevice& out)
{
    TimeFormatter times;
    qsizetype nameWidth = header(grid, 0).size();
    for (int row = 1; row < endRow; ++row)
        nameWidth = std::max(nameWidth, grid.TextMatrix(row, 0).size());
    const qsizetype timeWidth = logTimeText(QDateTime::currentMSecsSinceEpoch()).size();
    const qsizetype detailColumn = timeWidth + 2 + nameWidth + 2;
    QString text;
    auto line = [&](const QString& time, const QString& name, const QString& detail) {
        text += time.leftJustified(timeWidth + 2);
        text += name.leftJustified(nameWidth + 2);
        text += indentLines(detail, detailColumn);
        text += u'\n';
    };
    line(QStringLiteral("TIME"), header(grid, 0), header(grid, 1));
    for (int row = 1; row < endRow; ++row) {
        line(times.format(grid.RowStamp(row)), grid.TextMatrix(row, 0), grid.TextMatrix(row, 1));
        if (text.size() > kFlushChars)
            writeChunk(out, text);
    }
    writeChunk(out, text);
}

} // namespace

QString logTimeText(qint64 msecsSinceEpoch)
{
    if (msecsSinceEpoch == 0)
        return {};
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch);
    return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

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
        QStringList fields;
        if (withTime)
            fields.append(times.format(grid.RowStamp(row)));
        for (int col = 0; col < grid.Cols(); ++col) {
            if (grid.ColWidth(col) != 0) // hidden columns stay behind
                fields.append(grid.TextMatrix(row, col));
        }
        appendRecord(text, fields, u'\t', u"\n");
    }
    return text;
}
