#pragma once

#include <QString>
#include <cstdint>

namespace opos {
class PosPrinter;
}

// What a call on the printer left behind, read right after it: its ResultCode,
// ResultCodeExtended and ErrorString.
struct CallOutcome
{
    int32_t resultCode = 0;
    int32_t resultCodeExtended = 0;
    QString errorString;

    static CallOutcome of(const opos::PosPrinter& printer);
    bool ok() const { return resultCode == 0; }
    // The code the log and the status bar name: the extended one after OPOS_E_EXTENDED.
    int32_t shownCode() const;
};

// A log row's error: the codes where the row's result name does not tell them all (after
// OPOS_E_EXTENDED), then ErrorString. Empty after a success.
QString callErrorText(const CallOutcome& outcome);

// The status bar's words for a failed call: what was tried, the code's name and, when there is
// one, the reason ("ClaimDevice() failed: OPOS_E_NOHARDWARE (connection refused by ...)").
QString failureText(const QString& attempt, const QString& codeName, const QString& reason);

// A property write as the status bar says it: "RecLineChars = 42 written", or on failure
// "RecLineChars = 42 not written: OPOS_E_DISABLED" with the reason after it when there is one.
QString propertyWriteText(const QString& name, const QString& value, const CallOutcome& outcome);

// Printed data as a log row's argument: control characters visible, at most 200 characters.
QString printedDataArgument(const QString& data);
