#include "script/ScriptNames.h"

#include "opos/OposConstants.h"
#include "opos/OposNames.h"

#include <QHash>

namespace script {

namespace {

using Table = QHash<QString, int32_t>;

// Every named result code, read back from the table the operation log uses.
Table resultNames()
{
    Table names;
    for (int32_t code = 0; code <= 500; ++code) {
        const QString name = DecodeResultCode(code);
        if (name != QString::number(code))
            names.insert(name, code);
    }
    return names;
}

Table statusNames()
{
    Table names{
        {QStringLiteral("CASH_SUE_DRAWERCLOSED"), opos::CASH_SUE_DRAWERCLOSED},
        {QStringLiteral("CASH_SUE_DRAWEROPEN"), opos::CASH_SUE_DRAWEROPEN},
        {QStringLiteral("OPOS_SUE_POWER_ONLINE"), opos::OPOS_SUE_POWER_ONLINE},
        {QStringLiteral("OPOS_SUE_POWER_OFF"), opos::OPOS_SUE_POWER_OFF},
        {QStringLiteral("OPOS_SUE_POWER_OFFLINE"), opos::OPOS_SUE_POWER_OFFLINE},
        {QStringLiteral("OPOS_SUE_POWER_OFF_OFFLINE"), opos::OPOS_SUE_POWER_OFF_OFFLINE},
    };
    const QString unknown = DecodeStatusUpdate(-1);
    for (int32_t data = 0; data <= 1001; ++data) {
        const QString name = DecodeStatusUpdate(data);
        if (name != unknown)
            names.insert(name, data);
    }
    return names;
}

Table otherNames()
{
    return {
        {QStringLiteral("OPOS_S_CLOSED"), opos::OPOS_S_CLOSED},
        {QStringLiteral("OPOS_S_IDLE"), opos::OPOS_S_IDLE},
        {QStringLiteral("OPOS_S_BUSY"), opos::OPOS_S_BUSY},
        {QStringLiteral("OPOS_S_ERROR"), opos::OPOS_S_ERROR},
        {QStringLiteral("PTR_S_JOURNAL"), opos::PTR_S_JOURNAL},
        {QStringLiteral("PTR_S_RECEIPT"), opos::PTR_S_RECEIPT},
        {QStringLiteral("PTR_S_SLIP"), opos::PTR_S_SLIP},
        {QStringLiteral("PTR_TP_TRANSACTION"), opos::PTR_TP_TRANSACTION},
        {QStringLiteral("PTR_TP_NORMAL"), opos::PTR_TP_NORMAL},
        {QStringLiteral("OPOS_ER_RETRY"), opos::OPOS_ER_RETRY},
        {QStringLiteral("OPOS_ER_CLEAR"), opos::OPOS_ER_CLEAR},
        {QStringLiteral("OPOS_EL_OUTPUT"), opos::OPOS_EL_OUTPUT},
        {QStringLiteral("PTR_EL_NONE"), opos::PTR_EL_NONE},
        {QStringLiteral("PTR_BCS_UPCA"), opos::PTR_BCS_UPCA},
        {QStringLiteral("PTR_BCS_UPCE"), opos::PTR_BCS_UPCE},
        {QStringLiteral("PTR_BCS_JAN8"), opos::PTR_BCS_JAN8},
        {QStringLiteral("PTR_BCS_EAN8"), opos::PTR_BCS_EAN8},
        {QStringLiteral("PTR_BCS_JAN13"), opos::PTR_BCS_JAN13},
        {QStringLiteral("PTR_BCS_EAN13"), opos::PTR_BCS_EAN13},
        {QStringLiteral("PTR_BCS_TF"), opos::PTR_BCS_TF},
        {QStringLiteral("PTR_BCS_ITF"), opos::PTR_BCS_ITF},
        {QStringLiteral("PTR_BCS_CODABAR"), opos::PTR_BCS_Codabar},
        {QStringLiteral("PTR_BCS_CODE39"), opos::PTR_BCS_Code39},
        {QStringLiteral("PTR_BCS_CODE93"), opos::PTR_BCS_Code93},
        {QStringLiteral("PTR_BCS_CODE128"), opos::PTR_BCS_Code128},
        {QStringLiteral("PTR_BCS_UPCA_S"), opos::PTR_BCS_UPCA_S},
        {QStringLiteral("PTR_BCS_UPCE_S"), opos::PTR_BCS_UPCE_S},
        {QStringLiteral("PTR_BCS_UPCD1"), opos::PTR_BCS_UPCD1},
        {QStringLiteral("PTR_BCS_UPCD2"), opos::PTR_BCS_UPCD2},
        {QStringLiteral("PTR_BCS_UPCD3"), opos::PTR_BCS_UPCD3},
        {QStringLiteral("PTR_BCS_UPCD4"), opos::PTR_BCS_UPCD4},
        {QStringLiteral("PTR_BCS_UPCD5"), opos::PTR_BCS_UPCD5},
        {QStringLiteral("PTR_BCS_EAN8_S"), opos::PTR_BCS_EAN8_S},
        {QStringLiteral("PTR_BCS_EAN13_S"), opos::PTR_BCS_EAN13_S},
        {QStringLiteral("PTR_BCS_EAN128"), opos::PTR_BCS_EAN128},
        {QStringLiteral("PTR_BCS_OCRA"), opos::PTR_BCS_OCRA},
        {QStringLiteral("PTR_BCS_OCRB"), opos::PTR_BCS_OCRB},
        {QStringLiteral("PTR_BCS_CODE128_PARSED"), opos::PTR_BCS_Code128_Parsed},
        {QStringLiteral("PTR_BCS_PDF417"), opos::PTR_BCS_PDF417},
        {QStringLiteral("PTR_BCS_MAXICODE"), opos::PTR_BCS_MAXICODE},
        {QStringLiteral("PTR_BCS_DATAMATRIX"), opos::PTR_BCS_DATAMATRIX},
        {QStringLiteral("PTR_BCS_QRCODE"), opos::PTR_BCS_QRCODE},
        {QStringLiteral("PTR_BCS_UQRCODE"), opos::PTR_BCS_UQRCODE},
        {QStringLiteral("PTR_BCS_AZTEC"), opos::PTR_BCS_AZTEC},
        {QStringLiteral("PTR_BCS_UPDF417"), opos::PTR_BCS_UPDF417},
        {QStringLiteral("PTR_BC_LEFT"), opos::PTR_BC_LEFT},
        {QStringLiteral("PTR_BC_CENTER"), opos::PTR_BC_CENTER},
        {QStringLiteral("PTR_BC_RIGHT"), opos::PTR_BC_RIGHT},
        {QStringLiteral("PTR_BC_TEXT_NONE"), opos::PTR_BC_TEXT_NONE},
        {QStringLiteral("PTR_BC_TEXT_ABOVE"), opos::PTR_BC_TEXT_ABOVE},
        {QStringLiteral("PTR_BC_TEXT_BELOW"), opos::PTR_BC_TEXT_BELOW},
        {QStringLiteral("PTR_BM_ASIS"), opos::PTR_BM_ASIS},
        {QStringLiteral("PTR_BM_LEFT"), opos::PTR_BM_LEFT},
        {QStringLiteral("PTR_BM_CENTER"), opos::PTR_BM_CENTER},
        {QStringLiteral("PTR_BM_RIGHT"), opos::PTR_BM_RIGHT},
        {QStringLiteral("PTR_BMT_BMP"), opos::PTR_BMT_BMP},
        {QStringLiteral("PTR_BMT_JPEG"), opos::PTR_BMT_JPEG},
        {QStringLiteral("PTR_BMT_GIF"), opos::PTR_BMT_GIF},
        {QStringLiteral("PTR_EL_RECOVERABLE"), opos::PTR_EL_RECOVERABLE},
        {QStringLiteral("PTR_EL_FATAL"), opos::PTR_EL_FATAL},
        {QStringLiteral("OPOS_PS_UNKNOWN"), opos::OPOS_PS_UNKNOWN},
        {QStringLiteral("OPOS_PS_ONLINE"), opos::OPOS_PS_ONLINE},
        {QStringLiteral("OPOS_PS_OFF"), opos::OPOS_PS_OFF},
        {QStringLiteral("OPOS_PS_OFFLINE"), opos::OPOS_PS_OFFLINE},
        {QStringLiteral("OPOS_PS_OFF_OFFLINE"), opos::OPOS_PS_OFF_OFFLINE},
        {QStringLiteral("OPOS_PR_NONE"), opos::OPOS_PR_NONE},
        {QStringLiteral("OPOS_PR_STANDARD"), opos::OPOS_PR_STANDARD},
        {QStringLiteral("OPOS_PR_ADVANCED"), opos::OPOS_PR_ADVANCED},
        {QStringLiteral("OPOS_PN_DISABLED"), opos::OPOS_PN_DISABLED},
        {QStringLiteral("OPOS_PN_ENABLED"), opos::OPOS_PN_ENABLED},
        {QStringLiteral("DISP_DT_NORMAL"), opos::DISP_DT_NORMAL},
        {QStringLiteral("DISP_DT_BLINK"), opos::DISP_DT_BLINK},
        {QStringLiteral("DISP_DT_REVERSE"), opos::DISP_DT_REVERSE},
        {QStringLiteral("DISP_DT_BLINK_REVERSE"), opos::DISP_DT_BLINK_REVERSE},
    };
}

std::optional<int32_t> lookUp(const Table& table, QStringView text)
{
    if (const auto number = parseNumber(text))
        return number;
    const auto found = table.constFind(text.toString().toUpper());
    if (found == table.cend())
        return std::nullopt;
    return *found;
}

} // namespace

std::optional<int32_t> parseNumber(QStringView text)
{
    bool ok = false;
    const int32_t value = text.toInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}

std::optional<int32_t> resultCodeValue(QStringView text)
{
    static const Table table = resultNames();
    return lookUp(table, text);
}

std::optional<int32_t> statusUpdateValue(QStringView text)
{
    static const Table table = statusNames();
    return lookUp(table, text);
}

std::optional<int32_t> constantValue(QStringView text)
{
    static const Table table = [] {
        Table all = otherNames();
        all.insert(resultNames());
        all.insert(statusNames());
        return all;
    }();
    return lookUp(table, text);
}

QString drawerStatusName(int32_t data)
{
    switch (data) {
    case opos::CASH_SUE_DRAWERCLOSED:
        return QStringLiteral("CASH_SUE_DRAWERCLOSED");
    case opos::CASH_SUE_DRAWEROPEN:
        return QStringLiteral("CASH_SUE_DRAWEROPEN");
    default:
        return QString::number(data);
    }
}

} // namespace script
