#include "printer/ResultReporting.h"

#include "opos/OposConstants.h"
#include "opos/PosPrinter.h"
#include "printer/PrinterContext.h"
#include "services/CallOutcome.h"
#include "services/ErrorLamps.h"
#include "services/NameTables.h"
#include "services/OperationLog.h"
#include "services/StatusNote.h"

int32_t resolveExtendedResult(const PrinterContext& context, int32_t result)
{
    if (result != opos::OPOS_E_EXTENDED)
        return result;
    const int32_t extended = context.printer.ResultCodeExtended();
    context.lamps.ShowErrorLamps(extended);
    return extended;
}

void logResult(const PrinterContext& context, const QString& text, int32_t code,
               const QString& arguments, OnSuccess onSuccess)
{
    const QString name = DecodeResultCode(code);
    if (code == opos::OPOS_SUCCESS) {
        context.log.AppendLogRow(text, name, {arguments, {}});
        if (onSuccess == OnSuccess::ClearNote)
            context.note.succeeded();
        return;
    }
    const CallOutcome outcome = CallOutcome::of(context.printer);
    context.log.AppendLogRow(text, name, {arguments, callErrorText(outcome)});
    context.note.failed(failureText(text, name, outcome.errorString), code);
}

void followPrinterEvents(opos::PosPrinter& printer, StatusNote& note)
{
    QObject::connect(&printer, &opos::PosPrinter::StatusUpdateEvent, &note,
                     &StatusNote::statusUpdated);
    QObject::connect(
        &printer, &opos::PosPrinter::ErrorEvent, &note,
        [&printer, &note](int32_t code, int32_t extended, int32_t, int32_t*) {
            const CallOutcome outcome{code, extended, CallOutcome::of(printer).errorString};
            note.failed(failureText(QStringLiteral("Output"), DecodeResultCode(outcome.shownCode()),
                                    outcome.errorString),
                        outcome.shownCode());
        });
}
