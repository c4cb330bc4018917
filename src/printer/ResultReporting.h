#pragma once

#include <QString>
#include <cstdint>

class StatusNote;
struct PrinterContext;
namespace opos {
class PosPrinter;
}

// The code a command reports for a method's result: after OPOS_E_EXTENDED the printer's
// ResultCodeExtended, which the lamps then show; otherwise the result itself.
int32_t resolveExtendedResult(const PrinterContext& context, int32_t result);

// What a success does to the status bar's note: a call that tried again what failed replaces
// it; one that only tidied up after the failure (ClearOutput) leaves it standing.
enum class OnSuccess
{
    ClearNote,
    KeepNote
};

// Writes a command's log row for the call just made: its text, the name of the code it reports
// and, kept with the row, the call's arguments and why it failed. A failure goes to the status
// bar's note as well.
void logResult(const PrinterContext& context, const QString& text, int32_t code,
               const QString& arguments = {}, OnSuccess onSuccess = OnSuccess::ClearNote);

// Keeps the note in step with the printer's events: a status change may end the condition it
// reports, and a failure of asynchronous output is noted as a failed call is.
void followPrinterEvents(opos::PosPrinter& printer, StatusNote& note);
