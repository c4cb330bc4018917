#include "script/TranscriptText.h"

#include "opos/OposConstants.h"
#include "opos/OposNames.h"
#include "script/ScriptLexer.h"
#include "script/ScriptNames.h"
#include "script/TextWriter.h"

#include <QStringList>

namespace script {

namespace {

void putNumberText(TextWriter& out, int32_t value, QStringView prefix)
{
    const QLatin1String name = prefix.isEmpty() ? QLatin1String() : constantName(value, prefix);
    if (name.isEmpty())
        out.putNumber(value);
    else
        out.put(name);
}

void putArgumentText(TextWriter& out, const CallArguments& arguments, int position,
                     QStringView text, QByteArrayView statement)
{
    const int32_t number = arguments.number(position, 0);
    switch (arguments.kind(position)) {
    case ArgKind::Text: {
        // Copied as written when it reads the same: most texts are written as they are shown.
        const QByteArrayView written = arguments.writtenText(statement);
        if (!written.isEmpty() && text.size() <= kShownDataLength)
            return out.putUtf8(written);
        return out.putQuoted(text, kShownDataLength);
    }
    case ArgKind::Station:
        return putNumberText(out, number, u"PTR_S_");
    case ArgKind::Control:
        return putNumberText(out, number, u"PTR_TP_");
    case ArgKind::HealthLevel:
        return putNumberText(out, number, u"OPOS_CH_");
    case ArgKind::TextAttribute:
        return putNumberText(out, number, u"DISP_DT_");
    case ArgKind::Number:
        break;
    }
    out.putNumber(number);
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

void putCallText(TextWriter& out, const Step& step, QStringView text, QByteArrayView statement,
                 qsizetype* textAt)
{
    switch (step.kind) {
    case Step::Kind::SetProperty:
        out.put(step.name());
        out.put(u" = ");
        out.put(propertyValueText(step.name(), step.value()));
        return;
    case Step::Kind::GetProperty:
        out.put(step.name());
        return;
    default:
        break;
    }
    out.put(step.name());
    out.put(u'(');
    for (int i = 0; i < step.arguments.size(); ++i) {
        if (i > 0)
            out.put(u", ");
        if (textAt && i == step.arguments.textPosition())
            *textAt = out.written().size();
        putArgumentText(out, step.arguments, i, text, statement);
    }
    if (step.kind == Step::Kind::PrintFile) {
        if (!step.arguments.isEmpty())
            out.put(u", ");
        out.put(u"file ");
        out.putQuoted(step.value().toString(), 200);
    }
    out.put(u')');
}

void putPrintCallText(TextWriter& out, QStringView member, int32_t station, QStringView data)
{
    out.put(member);
    out.put(u'(');
    putNumberText(out, station, u"PTR_S_");
    out.put(u", ");
    out.putQuoted(data, kShownDataLength);
    out.put(u')');
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
    const int32_t value = step.value().toInt();
    if (step.name() == u"StatusUpdateEvent")
        return statusUpdateName(step.device == DeviceClass::Drawer, value);
    if (step.name() == u"ErrorEvent")
        return DecodeResultCode(value);
    return QString::number(value);
}

QString expectationCount(int count)
{
    return count == 1 ? QStringLiteral("1 expectation")
                      : QStringLiteral("%1 expectations").arg(count);
}

QStringView TimestampText::view(qint64 ms)
{
    // Quick lines come many a millisecond.
    if (ms == m_ms)
        return m_text;
    const qint64 second = ms >= 0 ? ms / 1000 : (ms - 999) / 1000;
    if (second != m_second) {
        m_second = second;
        m_text = QDateTime::fromSecsSinceEpoch(second, Qt::UTC).toString(Qt::ISODateWithMs);
        if (!m_text.endsWith(u'Z') || m_text.size() < 5) { // a time Qt cannot show
            m_second = std::numeric_limits<qint64>::min();
            m_ms = std::numeric_limits<qint64>::min();
            m_text = QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(Qt::ISODateWithMs);
            return m_text;
        }
    }
    // Only the milliseconds before the zone's "Z" change within a second.
    const int milli = static_cast<int>(ms - second * 1000);
    QChar* const digits = m_text.data() + m_text.size() - 4;
    digits[0] = QChar(u'0' + milli / 100);
    digits[1] = QChar(u'0' + milli / 10 % 10);
    digits[2] = QChar(u'0' + milli % 10);
    m_ms = ms;
    return m_text;
}

} // namespace script
