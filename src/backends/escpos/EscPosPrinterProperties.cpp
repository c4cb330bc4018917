// The printer's properties as the device gives them, and the ones it lets a user change.
#include "backends/escpos/EscPosPrinter.h"
#include "backends/escpos/Link.h"
#include "opos/OposConstants.h"

#include <QStringList>

namespace escpos {

namespace {

QString joinNumbers(const QList<int>& numbers)
{
    QStringList texts;
    for (const int n : numbers)
        texts.append(QString::number(n));
    return texts.join(QLatin1Char(','));
}

} // namespace

QVariantMap EscPosPrinter::deviceProperties()
{
    const bool sensors = watching();
    QList<int> sets;
    for (const int set : m_settings.printer.codeTables.keys()) {
        if (opos::TextEncoder::supports(set))
            sets.append(set);
    }
    const int dots = m_settings.printer.lineWidth;
    return {
        {QStringLiteral("DeviceName"), m_device.name()},
        {QStringLiteral("DeviceDescription"),
         QStringLiteral("ESC/POS receipt printer at %1").arg(m_settings.address.key())},
        {QStringLiteral("ServiceObjectDescription"), QStringLiteral("ESC/POS printer service")},
        {QStringLiteral("CapPowerReporting"),
         sensors ? opos::OPOS_PR_STANDARD : opos::OPOS_PR_NONE},
        {QStringLiteral("CapRecPresent"), true},
        {QStringLiteral("CapRecPapercut"), true},
        {QStringLiteral("CapRecEmptySensor"), sensors},
        {QStringLiteral("CapRecNearEndSensor"), sensors},
        {QStringLiteral("CapCoverSensor"), sensors},
        {QStringLiteral("CapRecBold"), true},
        {QStringLiteral("CapRecUnderline"), true},
        {QStringLiteral("CapRecDhigh"), true},
        {QStringLiteral("CapRecDwide"), true},
        {QStringLiteral("CapRecDwideDhigh"), true},
        {QStringLiteral("CapRecItalic"), false},
        {QStringLiteral("CapRecBarCode"), true},
        {QStringLiteral("CapRecBitmap"), true},
        {QStringLiteral("RecBarCodeRotationList"), QStringLiteral("0")},
        {QStringLiteral("RecBitmapRotationList"), QStringLiteral("0")},
        {QStringLiteral("CapRecStamp"), false},
        {QStringLiteral("CapJrnPresent"), false},
        {QStringLiteral("CapSlpPresent"), false},
        {QStringLiteral("CapTransaction"), true},
        {QStringLiteral("CapRecColor"), 1},
        {QStringLiteral("CapCharacterSet"), 998},
        {QStringLiteral("CharacterSet"), m_encoder.characterSet()},
        {QStringLiteral("CharacterSetList"), joinNumbers(sets)},
        {QStringLiteral("RecLineChars"), m_lineChars},
        {QStringLiteral("RecLineCharsList"), joinNumbers(m_settings.printer.lineCharsList)},
        {QStringLiteral("RecLineWidth"), dots},
        {QStringLiteral("RecLineHeight"), 24},
        {QStringLiteral("RecLineSpacing"), 30},
        {QStringLiteral("RecLinesToPaperCut"), 4},
    };
}

opos::DeviceResult EscPosPrinter::setDeviceProperty(const QString& name, const QVariant& value)
{
    bool ok = false;
    const int number = value.toInt(&ok);
    const auto send = [this](const QByteArray& bytes) -> opos::DeviceResult {
        if (!m_enabled || !m_device.link())
            return {};
        return m_device.link()->write(bytes, QDeadlineTimer(m_settings.timeouts.jobMs),
                                      m_device.waiter(CallMode::Synchronous));
    };
    if (name == QLatin1String("CharacterSet")) {
        if (!ok || !m_settings.printer.codeTables.contains(number) ||
            !opos::TextEncoder::supports(number))
            return opos::DeviceResult::illegal(
                QStringLiteral("Character set %1 is not in CharacterSetList")
                    .arg(value.toString()));
        if (const opos::DeviceResult sent =
                send(cmd::codeTable(m_settings.printer.codeTables.value(number)));
            !sent.ok())
            return sent;
        m_encoder = opos::TextEncoder(number);
    } else if (name == QLatin1String("RecLineChars")) {
        const QList<int>& list = m_settings.printer.lineCharsList;
        if (!ok || number < 1 || number > *std::max_element(list.begin(), list.end()))
            return opos::DeviceResult::illegal(
                QStringLiteral("RecLineChars %1 is out of range").arg(value.toString()));
        // The narrow font gives the longer lines.
        if (const opos::DeviceResult sent = send(cmd::font(number > list.value(0))); !sent.ok())
            return sent;
        m_lineChars = number;
    }
    return {};
}

} // namespace escpos
