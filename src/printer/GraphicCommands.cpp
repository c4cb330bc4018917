#include "printer/GraphicCommands.h"

#include "opos/OposConstants.h"
#include "opos/PosPrinter.h"
#include "printer/FilePrintGuard.h"
#include "printer/LineCommands.h"
#include "services/CallOutcome.h"
#include "services/FailureTrap.h"

namespace {

template <typename Call>
int32_t printGraphic(const PrinterContext& context, LineCommands& line, const QString& logText,
                     const QString& arguments, Call call)
{
    int32_t code = opos::OPOS_E_FAILURE;
    trapFailures(context.dialogs, kErrorMessageTitle, [&] {
        if (refusedDuringFileJob(context))
            return;
        opos::PosPrinter& printer = context.printer;
        code = line.PrintAttempts(
            call, logText, [&printer] { return printer.LastGraphicDescription(); }, arguments);
    });
    return code;
}

} // namespace

int32_t printBarCode(const PrinterContext& context, LineCommands& line, const BarcodeParameters& p)
{
    opos::PosPrinter& printer = context.printer;
    const QString arguments = QStringLiteral("%1, symbology %2, %3 x %4, alignment %5, text %6")
                                  .arg(printedDataArgument(p.data))
                                  .arg(p.symbology)
                                  .arg(p.width)
                                  .arg(p.height)
                                  .arg(p.alignment)
                                  .arg(p.textPosition);
    return printGraphic(context, line, QStringLiteral("PrintBarCode()"), arguments, [&printer, &p] {
        return printer.PrintBarCode(opos::PTR_S_RECEIPT, p.data, p.symbology, p.height, p.width,
                                    p.alignment, p.textPosition);
    });
}

int32_t printBitmap(const PrinterContext& context, LineCommands& line, const BitmapParameters& p)
{
    opos::PosPrinter& printer = context.printer;
    const QString arguments =
        QStringLiteral("%1, width %2, alignment %3").arg(p.fileName).arg(p.width).arg(p.alignment);
    return printGraphic(context, line, QStringLiteral("PrintBitmap()"), arguments, [&printer, &p] {
        return printer.PrintBitmap(opos::PTR_S_RECEIPT, p.fileName, p.width, p.alignment);
    });
}
