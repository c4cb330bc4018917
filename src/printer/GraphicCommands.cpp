#include "printer/GraphicCommands.h"

#include "opos/OposConstants.h"
#include "opos/PosPrinter.h"
#include "printer/FilePrintGuard.h"
#include "printer/LineCommands.h"
#include "services/FailureTrap.h"

namespace {

template <typename Call>
int32_t printGraphic(const PrinterContext& context, LineCommands& line, const QString& logText,
                     Call call)
{
    int32_t code = opos::OPOS_E_FAILURE;
    trapFailures(context.dialogs, kErrorMessageTitle, [&] {
        if (refusedDuringFileJob(context))
            return;
        opos::PosPrinter& printer = context.printer;
        code = line.PrintAttempts(call, logText,
                                  [&printer] { return printer.LastGraphicDescription(); });
    });
    return code;
}

} // namespace

int32_t printBarCode(const PrinterContext& context, LineCommands& line, const BarcodeParameters& p)
{
    opos::PosPrinter& printer = context.printer;
    return printGraphic(context, line, QStringLiteral("PrintBarCode()"), [&printer, &p] {
        return printer.PrintBarCode(opos::PTR_S_RECEIPT, p.data, p.symbology, p.height, p.width,
                                    p.alignment, p.textPosition);
    });
}

int32_t printBitmap(const PrinterContext& context, LineCommands& line, const BitmapParameters& p)
{
    opos::PosPrinter& printer = context.printer;
    return printGraphic(context, line, QStringLiteral("PrintBitmap()"), [&printer, &p] {
        return printer.PrintBitmap(opos::PTR_S_RECEIPT, p.fileName, p.width, p.alignment);
    });
}
