#include "printer/ResultReporting.h"

#include "opos/OposConstants.h"
#include "opos/PosPrinter.h"
#include "printer/PrinterContext.h"
#include "services/ErrorLamps.h"
#include "services/NameTables.h"
#include "services/OperationLog.h"

int32_t resolveExtendedResult(const PrinterContext& context, int32_t result)
{
    if (result != opos::OPOS_E_EXTENDED)
        return result;
    const int32_t extended = context.printer.ResultCodeExtended();
    context.lamps.ShowErrorLamps(extended);
    return extended;
}

void logResult(OperationLog& log, const QString& text, int32_t code)
{
    log.AppendLogRow(text, DecodeResultCode(code));
}
