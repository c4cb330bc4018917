#include "backends/escpos/EscPosPrinter.h"
#include "backends/escpos/GraphicCommands.h"
#include "opos/OposConstants.h"

namespace escpos {

// A barcode or image goes out like a line: the printer's own commands, confirmed the same way.
opos::DeviceResult EscPosPrinter::printGraphic(const opos::GraphicRequest& request,
                                               opos::OutputMode mode)
{
    if (request.station != opos::PTR_S_RECEIPT)
        return opos::DeviceResult::illegal(
            QStringLiteral("The printer has only the receipt station"));
    const GraphicBytes commands = graphicCommands(request, m_settings.printer.lineWidth);
    if (commands.bytes.isEmpty())
        return {commands.tooBig ? opos::OPOS_E_EXTENDED : opos::OPOS_E_ILLEGAL,
                commands.tooBig ? opos::OPOS_EPTR_TOOBIG : 0, commands.refusal};
    const QDeadlineTimer deadline(m_settings.timeouts.jobMs);
    QByteArray bytes;
    if (const opos::DeviceResult up = ready(deadline, bytes, mode); !up.ok())
        return up;
    return output(bytes + commands.bytes, deadline, mode);
}

} // namespace escpos
