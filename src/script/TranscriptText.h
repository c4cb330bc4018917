#pragma once

#include "script/ScriptStep.h"

#include <QDateTime>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <limits>

namespace script {

class TextWriter;

// How much of a call's print data a transcript line shows.
inline constexpr qsizetype kShownDataLength = 200;

// A call as the transcript shows it, with its arguments as the script would write them and
// constants by name: PrintNormal(PTR_S_RECEIPT, "\e|bCBold\n"), ClaimDevice(3000),
// AsyncMode = 1, CoverOpen. (A simulated device's control is shown as it was written.)
// `text` is the text the call gives, if any; `statement` the step's statement as written (UTF-8),
// when known: a text written as it is shown is copied from it. `textAt`, when given, is set to
// where the text's part of the line starts, as out.written() counts.
void putCallText(TextWriter& out, const Step& step, QStringView text, QByteArrayView statement = {},
                 qsizetype* textAt = nullptr);

// One line of a printed file: PrintNormal(PTR_S_RECEIPT, "line\n").
void putPrintCallText(TextWriter& out, QStringView member, int32_t station, QStringView data);

// A property's value, by name where its family has one: "OPOS_S_IDLE (2)",
// "OPOS_E_ILLEGAL (106)"; flags as 1 and 0; texts quoted.
QString propertyValueText(const QString& property, const QVariant& value);

// The value an event expectation waits for, by name: "CASH_SUE_DRAWEROPEN", "OPOS_E_FAILURE".
QString eventValueText(const Step& step);

// "1 expectation", "3 expectations".
QString expectationCount(int count);

// Times as a transcript line starts, in UTC to the millisecond: "2026-03-01T09:15:02.345Z". The
// date and time of day are worked out once a second, so a long run of quick lines does not
// spend its time on calendars.
class TimestampText
{
public:
    QString operator()(const QDateTime& time) { return view(time.toMSecsSinceEpoch()).toString(); }
    // The same for a time in milliseconds since 1970 UTC, valid until the next call.
    QStringView view(qint64 msecsSinceEpoch);
    // Whether the last view() showed this time.
    bool shows(qint64 msecsSinceEpoch) const { return msecsSinceEpoch == m_ms; }

private:
    qint64 m_second = std::numeric_limits<qint64>::min();
    qint64 m_ms = std::numeric_limits<qint64>::min(); // the time m_text shows
    QString m_text;                                   // "2026-03-01T09:15:02.345Z"
};

} // namespace script
