#include "printer/DirectIOCommands.h"

#include "opos/PosPrinter.h"
#include "printer/ResultReporting.h"
#include "services/FailureTrap.h"
#include "services/Numbers.h"

#include <QLineEdit>

QString directIOString()
{
    // ESC - 2 C NUL C, seven line feeds, ESC i.
    static constexpr char16_t kCodes[] = {0x1B, 0x2D, 0x32, 0x43, 0x00, 0x43, 0x0A, 0x0A,
                                          0x0A, 0x0A, 0x0A, 0x0A, 0x0A, 0x1B, 0x69};
    return QString(reinterpret_cast<const QChar*>(kCodes), std::size(kCodes));
}

DirectIOCommands::DirectIOCommands(const PrinterContext& context, const DirectIOWidgets& widgets,
                                   QObject* parent)
    : QObject(parent), m_context(context), m_widgets(widgets)
{}

void DirectIOCommands::DirectIO()
{
    trapFailures(m_context.dialogs, kErrorMessageTitle, [this] {
        const QString commandText = m_widgets.txtCommand->text();
        if (!numbers::IsNumeric(commandText)) {
            m_context.dialogs.warning(QStringLiteral("COMMAND Missing or invalid!"),
                                      kErrorMessageTitle);
            return;
        }
        const QString dataText = m_widgets.txtData->text();
        if (!numbers::IsNumeric(dataText)) {
            m_context.dialogs.warning(QStringLiteral("DATA Missing or invalid!"),
                                      kErrorMessageTitle);
            return;
        }
        QString text = directIOString();
        const int32_t command = numbers::toLong(numbers::toDouble(commandText));
        const int32_t sentData = numbers::toLong(numbers::toDouble(dataText));
        int32_t data = sentData;
        // What the printer writes back into data and text is not used.
        const int32_t result = m_context.printer.DirectIO(command, &data, &text);
        logResult(m_context, QStringLiteral("DirectIO()"), resolveExtendedResult(m_context, result),
                  QStringLiteral("command %1, data %2").arg(command).arg(sentData));
    });
}

void DirectIOCommands::SetFlagWhenIdle()
{
    // The printer reports becoming idle later with a status-update event; nothing to read here.
    trapFailures(m_context.dialogs, kErrorMessageTitle,
                 [this] { m_context.printer.SetFlagWhenIdle(true); });
}
