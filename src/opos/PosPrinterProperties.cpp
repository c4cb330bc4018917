#include "opos/PosPrinterImpl.h"
#include "opos/PrinterPropertyIndex.h"
#include "opos/PrinterStatusEvents.h"

#include <QRegularExpression>
#include <QScopedValueRollback>
#include <cmath>
#include <stdexcept>

namespace opos {

namespace {

QVariant emptyValue(PropertyKind kind)
{
    switch (kind) {
    case PropertyKind::Number:
        return QVariant(int32_t(0));
    case PropertyKind::Flag:
        return QVariant(false);
    case PropertyKind::Text:
        break;
    }
    return QVariant(QString());
}

QVariant asKind(const QVariant& value, PropertyKind kind)
{
    switch (kind) {
    case PropertyKind::Number:
        return QVariant(value.toInt());
    case PropertyKind::Flag:
        return QVariant(value.toBool());
    case PropertyKind::Text:
        break;
    }
    return QVariant(value.toString());
}

QString propertyName(const PrinterPropertyInfo& info)
{
    return QString(info.name);
}

// Line measurements, kept in dots and shown in the units of MapMode.
bool isMeasurement(const PrinterPropertyInfo& info)
{
    switch (info.index) {
    case pidx::JrnLineHeight:
    case pidx::JrnLineSpacing:
    case pidx::JrnLineWidth:
    case pidx::RecLineHeight:
    case pidx::RecLineSpacing:
    case pidx::RecLineWidth:
    case pidx::SlpLineHeight:
    case pidx::SlpLineSpacing:
    case pidx::SlpLineWidth:
        return true;
    default:
        return false;
    }
}

// The capability that lists the colours a station's cartridge may be (a bit set).
int32_t colourCapabilityOf(int32_t currentCartridge)
{
    switch (currentCartridge) {
    case pidx::JrnCurrentCartridge:
        return pidx::CapJrnColor;
    case pidx::RecCurrentCartridge:
        return pidx::CapRecColor;
    default:
        return pidx::CapSlpColor;
    }
}

// The station line properties, set from the device on the first enable.
bool isStationLineProperty(const QString& name)
{
    static const QRegularExpression pattern(
        QStringLiteral("^(Jrn|Rec|Slp)(Line(Chars|Height|Spacing|Width)|LinesToPaperCut)$"));
    return pattern.match(name).hasMatch();
}

// The station a property belongs to, from its name prefix; 0 for none.
int32_t stationOf(const PrinterPropertyInfo& info)
{
    const QString name = propertyName(info);
    if (name.startsWith(QLatin1String("Jrn")))
        return PTR_S_JOURNAL;
    if (name.startsWith(QLatin1String("Rec")))
        return PTR_S_RECEIPT;
    if (name.startsWith(QLatin1String("Slp")))
        return PTR_S_SLIP;
    return 0;
}

int32_t largestOfList(const QString& list)
{
    int32_t largest = 0;
    for (const auto& part : list.split(u',', Qt::SkipEmptyParts))
        largest = std::max(largest, part.trimmed().toInt());
    return largest;
}

bool listContains(const QString& list, int32_t value)
{
    for (const auto& part : list.split(u',', Qt::SkipEmptyParts)) {
        bool ok = false;
        if (part.trimmed().toInt(&ok) == value && ok)
            return true;
    }
    return false;
}

[[noreturn]] void fail(const QString& text)
{
    throw std::runtime_error(text.toStdString());
}

} // namespace

QString PosPrinter::Impl::controlObjectDescription() const
{
    const int32_t v = options.controlObjectVersion;
    return QStringLiteral("POS Printer control object %1.%2.%3")
        .arg(v / 1000000)
        .arg(v / 1000 % 1000)
        .arg(v % 1000);
}

void PosPrinter::Impl::loadDeviceProperties(bool stations)
{
    QVariantMap device;
    {
        const std::lock_guard lock(m_backendMutex);
        device = m_backend->deviceProperties();
    }
    m_dotsPerInch = std::max(1, device.value(QStringLiteral("DotsPerInch"), 203).toInt());
    for (auto it = device.cbegin(); it != device.cend(); ++it) {
        const PrinterPropertyInfo* info = findPrinterProperty(it.key());
        if (!info || (!stations && isStationLineProperty(it.key())))
            continue;
        m_values.insert(info->index, it.value());
    }
    if (!m_values.contains(pidx::RotateSpecial))
        m_values.insert(pidx::RotateSpecial, 1); // PTR_RP_NORMAL
}

int32_t PosPrinter::Impl::number(int32_t index) const
{
    const PrinterPropertyInfo* info = findPrinterProperty(index);
    return info ? read(*info).toInt() : 0;
}

bool PosPrinter::Impl::capability(int32_t index) const
{
    if (!life.opened)
        return false;
    const auto stored = m_values.constFind(index);
    return stored != m_values.cend() && stored->toBool();
}

int32_t PosPrinter::Impl::toDots(int32_t units) const
{
    const double perInch[] = {0, 0, 1440, 1000, 2540}; // by MapMode: twips, 0.001", 0.01 mm
    if (m_mapMode < 2 || m_mapMode > 4)
        return units;
    return static_cast<int32_t>(std::lround(units * m_dotsPerInch / perInch[m_mapMode]));
}

int32_t PosPrinter::Impl::fromDots(int32_t dots) const
{
    const double perInch[] = {0, 0, 1440, 1000, 2540};
    if (m_mapMode < 2 || m_mapMode > 4)
        return dots;
    return static_cast<int32_t>(std::lround(dots * perInch[m_mapMode] / m_dotsPerInch));
}

QVariant PosPrinter::Impl::read(const PrinterPropertyInfo& info) const
{
    switch (info.index) {
    case pidx::ResultCode:
        return life.resultCode;
    case pidx::ResultCodeExtended:
        return life.resultCodeExtended;
    case pidx::State:
        return state();
    case pidx::ErrorString: // also says why the last Open failed
        return m_errorString;
    default:
        break;
    }
    if (!life.opened)
        return emptyValue(info.kind);
    switch (info.index) {
    case pidx::Claimed:
        return life.claimed;
    case pidx::DeviceEnabled:
        return life.enabled;
    case pidx::FreezeEvents:
        return m_events.frozen();
    case pidx::OutputID:
        return m_outputId;
    case pidx::BinaryConversion:
        return m_binaryConversion;
    case pidx::PowerNotify:
        return m_powerNotify;
    case pidx::PowerState:
        return life.enabled ? powerStateValue(m_status.power, powerReporting()) : OPOS_PS_UNKNOWN;
    case pidx::AsyncMode:
        return m_asyncMode;
    case pidx::CoverOpen:
        return life.enabled && m_status.coverOpen;
    case pidx::ErrorStation:
        return m_errorStation;
    case pidx::FlagWhenIdle:
        return m_flagWhenIdle;
    case pidx::MapMode:
        return m_mapMode;
    case pidx::RecEmpty:
        return life.enabled && m_status.receiptPaper == PaperState::Empty;
    case pidx::RecNearEnd:
        return life.enabled && m_status.receiptPaper == PaperState::NearEnd;
    case pidx::ErrorLevel:
        return m_errorLevel;
    case pidx::CheckHealthText:
        return m_checkHealthText;
    default:
        break;
    }
    const QVariant stored = m_values.value(info.index);
    if (!stored.isValid())
        return emptyValue(info.kind);
    if (isMeasurement(info))
        return fromDots(stored.toInt());
    return asKind(stored, info.kind);
}

// A write the device must agree to; then every device value is read again.
int32_t PosPrinter::Impl::writeDevice(const PrinterPropertyInfo& info, int32_t value)
{
    if (m_inDeviceCall)
        return life.finish(OPOS_E_BUSY);
    const QScopedValueRollback holding(m_inDeviceCall, true);
    DeviceResult result;
    if (const auto lock = takeBackend(&result))
        result = m_backend->setDeviceProperty(propertyName(info), value);
    if (!result.ok()) {
        m_errorString = result.text;
        return life.finish(result);
    }
    loadDeviceProperties(m_stationsLoaded);
    return life.finish(OPOS_SUCCESS);
}

int32_t PosPrinter::Impl::write(const PrinterPropertyInfo& info, const QVariant& given)
{
    if (!info.writable() || info.kind == PropertyKind::Text)
        return life.finish(OPOS_E_ILLEGAL);
    if (const int32_t code = life.needOpen())
        return life.finish(code);
    if (info.writability == Writability::WhenEnabled && !life.enabled)
        return life.finish(OPOS_E_DISABLED);
    if (info.writability == Writability::WhenOpenDisabled && life.enabled)
        return life.finish(OPOS_E_ILLEGAL);
    if (const int32_t station = stationOf(info); station != 0 && !stationPresent(station))
        return life.finish(OPOS_E_ILLEGAL);
    const int32_t value = given.toInt();
    const bool on = given.toBool();
    const auto accept = [this, &info](const QVariant& stored) {
        m_values.insert(info.index, stored);
        return life.finish(OPOS_SUCCESS);
    };
    switch (info.index) {
    case pidx::DeviceEnabled:
        return setEnabled(on);
    case pidx::FreezeEvents:
        return setFreezeEvents(on);
    case pidx::AsyncMode:
        return setAsyncMode(on);
    case pidx::FlagWhenIdle:
        return setFlagWhenIdle(on);
    case pidx::BinaryConversion:
        if (value < 0 || value > 2)
            return life.finish(OPOS_E_ILLEGAL);
        m_binaryConversion = value;
        return life.finish(OPOS_SUCCESS);
    case pidx::PowerNotify:
        if ((value != OPOS_PN_DISABLED && value != OPOS_PN_ENABLED) ||
            (value == OPOS_PN_ENABLED && number(pidx::CapPowerReporting) == OPOS_PR_NONE))
            return life.finish(OPOS_E_ILLEGAL);
        m_powerNotify = value;
        return life.finish(OPOS_SUCCESS);
    case pidx::RotateSpecial: {
        // NORMAL, RIGHT90, LEFT90, ROTATE180, optionally for bar codes or bitmaps only.
        const int32_t rotation = value & ~0x3000;
        const int32_t needed = rotation == 0x0101   ? pidx::CapRecRight90
                               : rotation == 0x0102 ? pidx::CapRecLeft90
                               : rotation == 0x0103 ? pidx::CapRecRotate180
                                                    : 0;
        if ((rotation != 0x0001 && needed == 0) || (needed != 0 && !capability(needed)) ||
            (value & 0x3000) == 0x3000)
            return life.finish(OPOS_E_ILLEGAL);
        return accept(value);
    }
    case pidx::CartridgeNotify:
        if (value != 0 && (value != 1 || (number(pidx::CapJrnCartridgeSensor) |
                                          number(pidx::CapRecCartridgeSensor) |
                                          number(pidx::CapSlpCartridgeSensor)) == 0))
            return life.finish(OPOS_E_ILLEGAL);
        return accept(value);
    case pidx::MapMode:
        if (value < 1 || value > 4)
            return life.finish(OPOS_E_ILLEGAL);
        m_mapMode = value;
        return life.finish(OPOS_SUCCESS);
    case pidx::MapCharacterSet:
        if (on && !capability(pidx::CapMapCharacterSet))
            return life.finish(OPOS_E_ILLEGAL);
        return accept(on);
    case pidx::CharacterSet:
        if (!listContains(read(*findPrinterProperty(pidx::CharacterSetList)).toString(), value))
            return life.finish(OPOS_E_ILLEGAL);
        return writeDevice(info, value);
    case pidx::RecLineChars:
        if (value < 1 ||
            value > largestOfList(read(*findPrinterProperty(pidx::RecLineCharsList)).toString()))
            return life.finish(OPOS_E_ILLEGAL);
        return writeDevice(info, value);
    case pidx::JrnLineChars:
    case pidx::SlpLineChars:
        if (value < 1)
            return life.finish(OPOS_E_ILLEGAL);
        return writeDevice(info, value);
    case pidx::JrnLineHeight:
    case pidx::JrnLineSpacing:
    case pidx::RecLineHeight:
    case pidx::RecLineSpacing:
    case pidx::SlpLineHeight:
    case pidx::SlpLineSpacing:
        if (value < 1)
            return life.finish(OPOS_E_ILLEGAL);
        return writeDevice(info, toDots(value));
    case pidx::JrnCurrentCartridge:
    case pidx::RecCurrentCartridge:
    case pidx::SlpCurrentCartridge: {
        // One colour that the station has.
        const int32_t colours = number(colourCapabilityOf(info.index));
        if (value <= 0 || (value & (value - 1)) != 0 || (colours & value) == 0)
            return life.finish(OPOS_E_ILLEGAL);
        return accept(value);
    }
    case pidx::JrnLetterQuality:
    case pidx::RecLetterQuality:
    case pidx::SlpLetterQuality:
        return accept(on);
    default:
        return life.finish(OPOS_E_ILLEGAL);
    }
}

QVariant PosPrinter::Impl::readByName(const QString& name, PropertyKind kind) const
{
    if (name.compare(QLatin1String("ControlObjectVersion"), Qt::CaseInsensitive) == 0 &&
        kind == PropertyKind::Number)
        return options.controlObjectVersion;
    if (name.compare(QLatin1String("OpenResult"), Qt::CaseInsensitive) == 0 &&
        kind == PropertyKind::Number)
        return openResult;
    if (name.compare(QLatin1String("ControlObjectDescription"), Qt::CaseInsensitive) == 0 &&
        kind == PropertyKind::Text)
        return controlObjectDescription();
    const PrinterPropertyInfo* info = findPrinterProperty(name);
    if (!info)
        fail(QStringLiteral("The POS Printer has no property named \"%1\"").arg(name));
    if (info->kind != kind)
        fail(QStringLiteral("Type mismatch: the property %1 is not read that way")
                 .arg(propertyName(*info)));
    return read(*info);
}

void PosPrinter::Impl::writeByName(const QString& name, PropertyKind kind, const QVariant& value)
{
    const PrinterPropertyInfo* info = findPrinterProperty(name);
    if (!info) {
        for (const char* readOnly :
             {"ControlObjectVersion", "ControlObjectDescription", "OpenResult"})
            if (name.compare(QLatin1String(readOnly), Qt::CaseInsensitive) == 0) {
                life.finish(OPOS_E_ILLEGAL);
                return;
            }
        fail(QStringLiteral("The POS Printer has no property named \"%1\"").arg(name));
    }
    if (info->kind != kind)
        fail(QStringLiteral("Type mismatch: the property %1 is not written that way")
                 .arg(propertyName(*info)));
    write(*info, value);
}

} // namespace opos
