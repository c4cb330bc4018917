#include "opos/PrinterPropertyTable.h"

#include <QHash>
#include <QString>
#include <algorithm>
#include <array>

namespace opos {

namespace {

constexpr std::array kProperties = std::to_array<PrinterPropertyInfo>({
    {1, QLatin1String("Claimed"), PropertyKind::Flag, Writability::ReadOnly},
    {3, QLatin1String("DeviceEnabled"), PropertyKind::Flag, Writability::WhenOpen},
    {4, QLatin1String("FreezeEvents"), PropertyKind::Flag, Writability::WhenOpen},
    {5, QLatin1String("OutputID"), PropertyKind::Number, Writability::ReadOnly},
    {6, QLatin1String("ResultCode"), PropertyKind::Number, Writability::ReadOnly},
    {7, QLatin1String("ResultCodeExtended"), PropertyKind::Number, Writability::ReadOnly},
    {8, QLatin1String("ServiceObjectVersion"), PropertyKind::Number, Writability::ReadOnly},
    {9, QLatin1String("State"), PropertyKind::Number, Writability::ReadOnly},
    {11, QLatin1String("BinaryConversion"), PropertyKind::Number, Writability::WhenOpen},
    {13, QLatin1String("PowerNotify"), PropertyKind::Number, Writability::WhenOpenDisabled},
    {14, QLatin1String("PowerState"), PropertyKind::Number, Writability::ReadOnly},
    {501, QLatin1String("CapPowerReporting"), PropertyKind::Number, Writability::ReadOnly},
    {502, QLatin1String("CapStatisticsReporting"), PropertyKind::Flag, Writability::ReadOnly},
    {503, QLatin1String("CapUpdateStatistics"), PropertyKind::Flag, Writability::ReadOnly},
    {8001, QLatin1String("AsyncMode"), PropertyKind::Flag, Writability::WhenOpen},
    {8002, QLatin1String("CharacterSet"), PropertyKind::Number, Writability::WhenEnabled},
    {8003, QLatin1String("CoverOpen"), PropertyKind::Flag, Writability::ReadOnly},
    {8004, QLatin1String("ErrorStation"), PropertyKind::Number, Writability::ReadOnly},
    {8005, QLatin1String("FlagWhenIdle"), PropertyKind::Flag, Writability::WhenOpen},
    {8006, QLatin1String("JrnEmpty"), PropertyKind::Flag, Writability::ReadOnly},
    {8007, QLatin1String("JrnLetterQuality"), PropertyKind::Flag, Writability::WhenEnabled},
    {8008, QLatin1String("JrnLineChars"), PropertyKind::Number, Writability::WhenEnabled},
    {8009, QLatin1String("JrnLineHeight"), PropertyKind::Number, Writability::WhenEnabled},
    {8010, QLatin1String("JrnLineSpacing"), PropertyKind::Number, Writability::WhenEnabled},
    {8011, QLatin1String("JrnLineWidth"), PropertyKind::Number, Writability::ReadOnly},
    {8012, QLatin1String("JrnNearEnd"), PropertyKind::Flag, Writability::ReadOnly},
    {8013, QLatin1String("MapMode"), PropertyKind::Number, Writability::WhenEnabled},
    {8014, QLatin1String("RecEmpty"), PropertyKind::Flag, Writability::ReadOnly},
    {8015, QLatin1String("RecLetterQuality"), PropertyKind::Flag, Writability::WhenEnabled},
    {8016, QLatin1String("RecLineChars"), PropertyKind::Number, Writability::WhenEnabled},
    {8017, QLatin1String("RecLineHeight"), PropertyKind::Number, Writability::WhenEnabled},
    {8018, QLatin1String("RecLineSpacing"), PropertyKind::Number, Writability::WhenEnabled},
    {8019, QLatin1String("RecLinesToPaperCut"), PropertyKind::Number, Writability::ReadOnly},
    {8020, QLatin1String("RecLineWidth"), PropertyKind::Number, Writability::ReadOnly},
    {8021, QLatin1String("RecNearEnd"), PropertyKind::Flag, Writability::ReadOnly},
    {8022, QLatin1String("RecSidewaysMaxChars"), PropertyKind::Number, Writability::ReadOnly},
    {8023, QLatin1String("RecSidewaysMaxLines"), PropertyKind::Number, Writability::ReadOnly},
    {8024, QLatin1String("SlpEmpty"), PropertyKind::Flag, Writability::ReadOnly},
    {8025, QLatin1String("SlpLetterQuality"), PropertyKind::Flag, Writability::WhenEnabled},
    {8026, QLatin1String("SlpLineChars"), PropertyKind::Number, Writability::WhenEnabled},
    {8027, QLatin1String("SlpLineHeight"), PropertyKind::Number, Writability::WhenEnabled},
    {8028, QLatin1String("SlpLinesNearEndToEnd"), PropertyKind::Number, Writability::ReadOnly},
    {8029, QLatin1String("SlpLineSpacing"), PropertyKind::Number, Writability::WhenEnabled},
    {8030, QLatin1String("SlpLineWidth"), PropertyKind::Number, Writability::ReadOnly},
    {8031, QLatin1String("SlpMaxLines"), PropertyKind::Number, Writability::ReadOnly},
    {8032, QLatin1String("SlpNearEnd"), PropertyKind::Flag, Writability::ReadOnly},
    {8033, QLatin1String("SlpSidewaysMaxChars"), PropertyKind::Number, Writability::ReadOnly},
    {8034, QLatin1String("SlpSidewaysMaxLines"), PropertyKind::Number, Writability::ReadOnly},
    {8035, QLatin1String("ErrorLevel"), PropertyKind::Number, Writability::ReadOnly},
    {8036, QLatin1String("RotateSpecial"), PropertyKind::Number, Writability::WhenOpen},
    {8037, QLatin1String("CartridgeNotify"), PropertyKind::Number, Writability::WhenOpen},
    {8038, QLatin1String("JrnCartridgeState"), PropertyKind::Number, Writability::ReadOnly},
    {8039, QLatin1String("JrnCurrentCartridge"), PropertyKind::Number, Writability::WhenEnabled},
    {8040, QLatin1String("RecCartridgeState"), PropertyKind::Number, Writability::ReadOnly},
    {8041, QLatin1String("RecCurrentCartridge"), PropertyKind::Number, Writability::WhenEnabled},
    {8042, QLatin1String("SlpPrintSide"), PropertyKind::Number, Writability::ReadOnly},
    {8043, QLatin1String("SlpCartridgeState"), PropertyKind::Number, Writability::ReadOnly},
    {8044, QLatin1String("SlpCurrentCartridge"), PropertyKind::Number, Writability::WhenEnabled},
    {8045, QLatin1String("MapCharacterSet"), PropertyKind::Flag, Writability::WhenEnabled},
    {8501, QLatin1String("CapConcurrentJrnRec"), PropertyKind::Flag, Writability::ReadOnly},
    {8502, QLatin1String("CapConcurrentJrnSlp"), PropertyKind::Flag, Writability::ReadOnly},
    {8503, QLatin1String("CapConcurrentRecSlp"), PropertyKind::Flag, Writability::ReadOnly},
    {8504, QLatin1String("CapCoverSensor"), PropertyKind::Flag, Writability::ReadOnly},
    {8505, QLatin1String("CapJrn2Color"), PropertyKind::Flag, Writability::ReadOnly},
    {8506, QLatin1String("CapJrnBold"), PropertyKind::Flag, Writability::ReadOnly},
    {8507, QLatin1String("CapJrnDhigh"), PropertyKind::Flag, Writability::ReadOnly},
    {8508, QLatin1String("CapJrnDwide"), PropertyKind::Flag, Writability::ReadOnly},
    {8509, QLatin1String("CapJrnDwideDhigh"), PropertyKind::Flag, Writability::ReadOnly},
    {8510, QLatin1String("CapJrnEmptySensor"), PropertyKind::Flag, Writability::ReadOnly},
    {8511, QLatin1String("CapJrnItalic"), PropertyKind::Flag, Writability::ReadOnly},
    {8512, QLatin1String("CapJrnNearEndSensor"), PropertyKind::Flag, Writability::ReadOnly},
    {8513, QLatin1String("CapJrnPresent"), PropertyKind::Flag, Writability::ReadOnly},
    {8514, QLatin1String("CapJrnUnderline"), PropertyKind::Flag, Writability::ReadOnly},
    {8515, QLatin1String("CapRec2Color"), PropertyKind::Flag, Writability::ReadOnly},
    {8516, QLatin1String("CapRecBarCode"), PropertyKind::Flag, Writability::ReadOnly},
    {8517, QLatin1String("CapRecBitmap"), PropertyKind::Flag, Writability::ReadOnly},
    {8518, QLatin1String("CapRecBold"), PropertyKind::Flag, Writability::ReadOnly},
    {8519, QLatin1String("CapRecDhigh"), PropertyKind::Flag, Writability::ReadOnly},
    {8520, QLatin1String("CapRecDwide"), PropertyKind::Flag, Writability::ReadOnly},
    {8521, QLatin1String("CapRecDwideDhigh"), PropertyKind::Flag, Writability::ReadOnly},
    {8522, QLatin1String("CapRecEmptySensor"), PropertyKind::Flag, Writability::ReadOnly},
    {8523, QLatin1String("CapRecItalic"), PropertyKind::Flag, Writability::ReadOnly},
    {8524, QLatin1String("CapRecLeft90"), PropertyKind::Flag, Writability::ReadOnly},
    {8525, QLatin1String("CapRecNearEndSensor"), PropertyKind::Flag, Writability::ReadOnly},
    {8526, QLatin1String("CapRecPapercut"), PropertyKind::Flag, Writability::ReadOnly},
    {8527, QLatin1String("CapRecPresent"), PropertyKind::Flag, Writability::ReadOnly},
    {8528, QLatin1String("CapRecRight90"), PropertyKind::Flag, Writability::ReadOnly},
    {8529, QLatin1String("CapRecRotate180"), PropertyKind::Flag, Writability::ReadOnly},
    {8530, QLatin1String("CapRecStamp"), PropertyKind::Flag, Writability::ReadOnly},
    {8531, QLatin1String("CapRecUnderline"), PropertyKind::Flag, Writability::ReadOnly},
    {8532, QLatin1String("CapSlp2Color"), PropertyKind::Flag, Writability::ReadOnly},
    {8533, QLatin1String("CapSlpBarCode"), PropertyKind::Flag, Writability::ReadOnly},
    {8534, QLatin1String("CapSlpBitmap"), PropertyKind::Flag, Writability::ReadOnly},
    {8535, QLatin1String("CapSlpBold"), PropertyKind::Flag, Writability::ReadOnly},
    {8536, QLatin1String("CapSlpDhigh"), PropertyKind::Flag, Writability::ReadOnly},
    {8537, QLatin1String("CapSlpDwide"), PropertyKind::Flag, Writability::ReadOnly},
    {8538, QLatin1String("CapSlpDwideDhigh"), PropertyKind::Flag, Writability::ReadOnly},
    {8539, QLatin1String("CapSlpEmptySensor"), PropertyKind::Flag, Writability::ReadOnly},
    {8540, QLatin1String("CapSlpFullslip"), PropertyKind::Flag, Writability::ReadOnly},
    {8541, QLatin1String("CapSlpItalic"), PropertyKind::Flag, Writability::ReadOnly},
    {8542, QLatin1String("CapSlpLeft90"), PropertyKind::Flag, Writability::ReadOnly},
    {8543, QLatin1String("CapSlpNearEndSensor"), PropertyKind::Flag, Writability::ReadOnly},
    {8544, QLatin1String("CapSlpPresent"), PropertyKind::Flag, Writability::ReadOnly},
    {8545, QLatin1String("CapSlpRight90"), PropertyKind::Flag, Writability::ReadOnly},
    {8546, QLatin1String("CapSlpRotate180"), PropertyKind::Flag, Writability::ReadOnly},
    {8547, QLatin1String("CapSlpUnderline"), PropertyKind::Flag, Writability::ReadOnly},
    {8548, QLatin1String("CapCharacterSet"), PropertyKind::Number, Writability::ReadOnly},
    {8549, QLatin1String("CapTransaction"), PropertyKind::Flag, Writability::ReadOnly},
    {8550, QLatin1String("CapJrnCartridgeSensor"), PropertyKind::Number, Writability::ReadOnly},
    {8551, QLatin1String("CapJrnColor"), PropertyKind::Number, Writability::ReadOnly},
    {8552, QLatin1String("CapRecCartridgeSensor"), PropertyKind::Number, Writability::ReadOnly},
    {8553, QLatin1String("CapRecColor"), PropertyKind::Number, Writability::ReadOnly},
    {8554, QLatin1String("CapRecMarkFeed"), PropertyKind::Number, Writability::ReadOnly},
    {8555, QLatin1String("CapSlpBothSidesPrint"), PropertyKind::Flag, Writability::ReadOnly},
    {8556, QLatin1String("CapSlpCartridgeSensor"), PropertyKind::Number, Writability::ReadOnly},
    {8557, QLatin1String("CapSlpColor"), PropertyKind::Number, Writability::ReadOnly},
    {8558, QLatin1String("CapMapCharacterSet"), PropertyKind::Flag, Writability::ReadOnly},
    {1000001, QLatin1String("CheckHealthText"), PropertyKind::Text, Writability::ReadOnly},
    {1000002, QLatin1String("DeviceDescription"), PropertyKind::Text, Writability::ReadOnly},
    {1000003, QLatin1String("DeviceName"), PropertyKind::Text, Writability::ReadOnly},
    {1000004, QLatin1String("ServiceObjectDescription"), PropertyKind::Text, Writability::ReadOnly},
    {1008001, QLatin1String("CharacterSetList"), PropertyKind::Text, Writability::ReadOnly},
    {1008002, QLatin1String("JrnLineCharsList"), PropertyKind::Text, Writability::ReadOnly},
    {1008003, QLatin1String("RecLineCharsList"), PropertyKind::Text, Writability::ReadOnly},
    {1008004, QLatin1String("SlpLineCharsList"), PropertyKind::Text, Writability::ReadOnly},
    {1008005, QLatin1String("ErrorString"), PropertyKind::Text, Writability::ReadOnly},
    {1008006, QLatin1String("FontTypefaceList"), PropertyKind::Text, Writability::ReadOnly},
    {1008007, QLatin1String("RecBarCodeRotationList"), PropertyKind::Text, Writability::ReadOnly},
    {1008008, QLatin1String("SlpBarCodeRotationList"), PropertyKind::Text, Writability::ReadOnly},
    {1008009, QLatin1String("RecBitmapRotationList"), PropertyKind::Text, Writability::ReadOnly},
    {1008010, QLatin1String("SlpBitmapRotationList"), PropertyKind::Text, Writability::ReadOnly},
});

static_assert(kProperties.size() == 131);

} // namespace

std::span<const PrinterPropertyInfo> printerProperties()
{
    return kProperties;
}

const PrinterPropertyInfo* findPrinterProperty(int32_t index)
{
    const auto it = std::lower_bound(
        kProperties.begin(), kProperties.end(), index,
        [](const PrinterPropertyInfo& info, int32_t wanted) { return info.index < wanted; });
    return it != kProperties.end() && it->index == index ? &*it : nullptr;
}

const PrinterPropertyInfo* findPrinterProperty(QStringView name)
{
    // Built once, never changed afterwards.
    static const QHash<QString, const PrinterPropertyInfo*> byName = [] {
        QHash<QString, const PrinterPropertyInfo*> map;
        for (const auto& info : kProperties)
            map.insert(QString(info.name).toLower(), &info);
        return map;
    }();
    return byName.value(name.toString().toLower(), nullptr);
}

} // namespace opos
