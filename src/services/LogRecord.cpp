#include "services/LogRecord.h"

#include "services/FlexGridModel.h"

#include <QDateTime>
#include <QStringList>
#include <algorithm>

QString logTimeText(qint64 msecsSinceEpoch)
{
    if (msecsSinceEpoch == 0)
        return {};
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch);
    return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

LogRecord logRecord(const FlexGridModel& grid, int row)
{
    return {logTimeText(grid.RowStamp(row)), grid.TextMatrix(row, 0), grid.TextMatrix(row, 1),
            grid.RowNote(row, kArgumentsNote), grid.RowNote(row, kErrorNote)};
}

QString logToolTip(const FlexGridModel& grid, int row)
{
    if (grid.RowStamp(row) == 0)
        return {};
    const LogRecord record = logRecord(grid, row);
    QStringList lines{record.time, record.name, visibleControls(record.detail, true)};
    if (!record.arguments.isEmpty())
        lines.append(QStringLiteral("Arguments: ") + record.arguments);
    if (!record.error.isEmpty())
        lines.append(QStringLiteral("Error: ") + visibleControls(record.error, true));
    return lines.join(u'\n');
}

QString visibleControls(const QString& text, bool keepLineEnds)
{
    const auto hidden = [keepLineEnds](QChar c) {
        const char16_t code = c.unicode();
        if (keepLineEnds && (code == u'\t' || code == u'\n' || code == u'\r'))
            return false;
        return code < 0x20 || (code >= 0x7F && code <= 0x9F);
    };
    if (std::none_of(text.cbegin(), text.cend(), hidden))
        return text;
    QString shown;
    shown.reserve(text.size() + 16);
    for (const QChar c : text) {
        if (hidden(c))
            shown += QStringLiteral("\\x%1").arg(int(c.unicode()), 2, 16, QChar(u'0'));
        else
            shown += c;
    }
    return shown;
}
