#include "services/CallOutcome.h"

#include "opos/OposConstants.h"
#include "opos/PosPrinter.h"
#include "services/LogRecord.h"
#include "services/NameTables.h"

namespace {

constexpr qsizetype kArgumentChars = 200;

QString withReason(QString text, const QString& reason)
{
    if (!reason.isEmpty())
        text += QStringLiteral(" (%1)").arg(reason);
    return text;
}

} // namespace

CallOutcome CallOutcome::of(const opos::PosPrinter& printer)
{
    return {printer.ResultCode(), printer.ResultCodeExtended(),
            printer.GetPropertyString(QStringLiteral("ErrorString"))};
}

int32_t CallOutcome::shownCode() const
{
    return resultCode == opos::OPOS_E_EXTENDED ? resultCodeExtended : resultCode;
}

QString callErrorText(const CallOutcome& outcome)
{
    if (outcome.ok())
        return {};
    QString codes;
    if (outcome.resultCode == opos::OPOS_E_EXTENDED)
        codes = QStringLiteral("ResultCode = %1 (%2), ResultCodeExtended = %3")
                    .arg(DecodeResultCode(outcome.resultCode))
                    .arg(outcome.resultCode)
                    .arg(outcome.resultCodeExtended);
    else if (outcome.resultCodeExtended != 0)
        codes = QStringLiteral("ResultCodeExtended = %1").arg(outcome.resultCodeExtended);
    if (codes.isEmpty())
        return outcome.errorString;
    if (outcome.errorString.isEmpty())
        return codes;
    return codes + QStringLiteral(": ") + outcome.errorString;
}

QString failureText(const QString& attempt, const QString& codeName, const QString& reason)
{
    return withReason(attempt + QStringLiteral(" failed: ") + codeName, reason);
}

QString propertyWriteText(const QString& name, const QString& value, const CallOutcome& outcome)
{
    const QString write = name + QStringLiteral(" = ") + value;
    if (outcome.ok())
        return write + QStringLiteral(" written");
    return withReason(write + QStringLiteral(" not written: ") +
                          DecodeResultCode(outcome.shownCode()),
                      outcome.errorString);
}

QString printedDataArgument(const QString& data)
{
    // Each character shows as one or more: what follows the first that are shown is never seen.
    const QString shown =
        visibleControls(data.size() > kArgumentChars ? data.left(kArgumentChars + 1) : data);
    if (shown.size() <= kArgumentChars)
        return shown;
    return shown.left(kArgumentChars) + QChar(0x2026); // …
}
