#include "script/TranscriptText.h"

#include "opos/OposConstants.h"
#include "opos/OposNames.h"
#include "script/ScriptLexer.h"
#include "script/ScriptNames.h"

#include <QStringList>

namespace script {

namespace {

QString numberText(int32_t value, QStringView prefix)
{
    const QString name = prefix.isEmpty() ? QString() : constantName(value, prefix);
    return name.isEmpty() ? QString::number(value) : name;
}

QString argumentText(const QVariant& value, ArgKind kind)
{
    switch (kind) {
    case ArgKind::Text:
        return quotedString(value.toString(), kShownDataLength);
    case ArgKind::Station:
        return numberText(value.toInt(), u"PTR_S_");
    case ArgKind::Control:
        return numberText(value.toInt(), u"PTR_TP_");
    case ArgKind::HealthLevel:
        return numberText(value.toInt(), u"OPOS_CH_");
    case ArgKind::TextAttribute:
        return numberText(value.toInt(), u"DISP_DT_");
    case ArgKind::Number:
        break;
    }
    return QString::number(value.toInt());
}

// The family of names a numeric property's values belong to.
QStringView familyOf(const QString& property)
{
    static const std::pair<QLatin1String, QStringView> families[]{
        {QLatin1String("State"), u"OPOS_S_"},
        {QLatin1String("PowerState"), u"OPOS_PS_"},
        {QLatin1String("CapPowerReporting"), u"OPOS_PR_"},
        {QLatin1String("PowerNotify"), u"OPOS_PN_"},
        {QLatin1String("ErrorLevel"), u"PTR_EL_"},
        {QLatin1String("ErrorStation"), u"PTR_S_"},
        {QLatin1String("MapMode"), u"PTR_MM_"},
        {QLatin1String("CharacterSet"), u"PTR_CS_"},
        {QLatin1String("BinaryConversion"), u"OPOS_BC_"},
    };
    for (const auto& [name, family] : families)
        if (property == name)
            return family;
    return {};
}

} // namespace

QString callText(const Step& step)
{
    switch (step.kind) {
    case Step::Kind::SetProperty:
        return step.name + QStringLiteral(" = ") + propertyValueText(step.name, step.value);
    case Step::Kind::GetProperty:
        return step.name;
    case Step::Kind::Sim:
        return step.text.section(u' ', 1, -1, QString::SectionSkipEmpty);
    default:
        break;
    }
    QString text = step.name + QLatin1Char('(');
    for (qsizetype i = 0; i < step.arguments.size(); ++i) {
        if (i > 0)
            text += QLatin1String(", ");
        text += argumentText(step.arguments.at(i), i < qsizetype(step.argumentKinds.size())
                                                       ? step.argumentKinds[i]
                                                       : ArgKind::Number);
    }
    if (step.kind == Step::Kind::PrintFile) {
        if (!step.arguments.isEmpty())
            text += QLatin1String(", ");
        text += QStringLiteral("file ") + quotedString(step.value.toString(), 200);
    }
    return text + QLatin1Char(')');
}

QString printCallText(const QString& member, int32_t station, const QString& data)
{
    return QStringLiteral("%1(%2, %3)")
        .arg(member, numberText(station, u"PTR_S_"), quotedString(data, kShownDataLength));
}

QString propertyValueText(const QString& property, const QVariant& value)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    if (value.typeId() == QMetaType::QString)
        return quotedString(value.toString(), kShownDataLength);
    const int32_t number = value.toInt();
    QString name;
    if (property == u"ResultCode" || property == u"ResultCodeExtended" ||
        property == u"OpenResult") {
        name = DecodeResultCode(number);
        if (name == QString::number(number))
            name.clear();
    } else if (const QStringView family = familyOf(property); !family.isEmpty()) {
        name = constantName(number, family);
    }
    return name.isEmpty() ? QString::number(number)
                          : QStringLiteral("%1 (%2)").arg(name).arg(number);
}

QString eventValueText(const Step& step)
{
    const int32_t value = step.value.toInt();
    if (step.name == u"StatusUpdateEvent")
        return statusUpdateName(step.device == DeviceClass::Drawer, value);
    if (step.name == u"ErrorEvent")
        return DecodeResultCode(value);
    return QString::number(value);
}

QString expectationCount(int count)
{
    return count == 1 ? QStringLiteral("1 expectation")
                      : QStringLiteral("%1 expectations").arg(count);
}

QString TimestampText::operator()(const QDateTime& time)
{
    const qint64 ms = time.toMSecsSinceEpoch();
    const qint64 second = ms >= 0 ? ms / 1000 : (ms - 999) / 1000;
    if (second != m_second) {
        m_second = second;
        m_prefix = QDateTime::fromSecsSinceEpoch(second, Qt::UTC).toString(Qt::ISODate);
        m_prefix.chop(1); // the zone comes after the milliseconds
    }
    const int milli = static_cast<int>(ms - second * 1000);
    QString text;
    text.reserve(m_prefix.size() + 5);
    text += m_prefix;
    text += QLatin1Char('.');
    text += QLatin1Char(static_cast<char>('0' + milli / 100));
    text += QLatin1Char(static_cast<char>('0' + milli / 10 % 10));
    text += QLatin1Char(static_cast<char>('0' + milli % 10));
    text += QLatin1Char('Z');
    return text;
}

} // namespace script
