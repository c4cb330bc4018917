#include "script/ScriptNames.h"

#include "opos/OposConstants.h"
#include "opos/OposNames.h"

#include <QHash>
#include <QVarLengthArray>
#include <algorithm>

namespace script {

namespace {

using Table = QHash<QString, int32_t>;

struct Named
{
    QLatin1String name;
    int32_t value;
};

// The constants a script may write by name beside result codes and status updates, by family.
// Names that share a value are told apart by their prefix when a value is shown by name.
constexpr Named kOtherNames[]{
    {QLatin1String("OPOS_S_CLOSED"), opos::OPOS_S_CLOSED},
    {QLatin1String("OPOS_S_IDLE"), opos::OPOS_S_IDLE},
    {QLatin1String("OPOS_S_BUSY"), opos::OPOS_S_BUSY},
    {QLatin1String("OPOS_S_ERROR"), opos::OPOS_S_ERROR},
    {QLatin1String("OPOS_FOREVER"), -1},
    {QLatin1String("OPOS_CH_INTERNAL"), 1},
    {QLatin1String("OPOS_CH_EXTERNAL"), 2},
    {QLatin1String("OPOS_CH_INTERACTIVE"), 3},
    {QLatin1String("PTR_S_JOURNAL"), opos::PTR_S_JOURNAL},
    {QLatin1String("PTR_S_RECEIPT"), opos::PTR_S_RECEIPT},
    {QLatin1String("PTR_S_SLIP"), opos::PTR_S_SLIP},
    {QLatin1String("PTR_TP_TRANSACTION"), opos::PTR_TP_TRANSACTION},
    {QLatin1String("PTR_TP_NORMAL"), opos::PTR_TP_NORMAL},
    {QLatin1String("OPOS_ER_RETRY"), opos::OPOS_ER_RETRY},
    {QLatin1String("OPOS_ER_CLEAR"), opos::OPOS_ER_CLEAR},
    {QLatin1String("OPOS_ER_CONTINUEINPUT"), opos::OPOS_ER_CONTINUEINPUT},
    {QLatin1String("OPOS_EL_OUTPUT"), opos::OPOS_EL_OUTPUT},
    {QLatin1String("OPOS_EL_INPUT"), opos::OPOS_EL_INPUT},
    {QLatin1String("OPOS_EL_INPUT_DATA"), opos::OPOS_EL_INPUT_DATA},
    {QLatin1String("PTR_EL_NONE"), opos::PTR_EL_NONE},
    {QLatin1String("PTR_EL_RECOVERABLE"), opos::PTR_EL_RECOVERABLE},
    {QLatin1String("PTR_EL_FATAL"), opos::PTR_EL_FATAL},
    {QLatin1String("OPOS_PS_UNKNOWN"), opos::OPOS_PS_UNKNOWN},
    {QLatin1String("OPOS_PS_ONLINE"), opos::OPOS_PS_ONLINE},
    {QLatin1String("OPOS_PS_OFF"), opos::OPOS_PS_OFF},
    {QLatin1String("OPOS_PS_OFFLINE"), opos::OPOS_PS_OFFLINE},
    {QLatin1String("OPOS_PS_OFF_OFFLINE"), opos::OPOS_PS_OFF_OFFLINE},
    {QLatin1String("OPOS_PR_NONE"), opos::OPOS_PR_NONE},
    {QLatin1String("OPOS_PR_STANDARD"), opos::OPOS_PR_STANDARD},
    {QLatin1String("OPOS_PR_ADVANCED"), opos::OPOS_PR_ADVANCED},
    {QLatin1String("OPOS_PN_DISABLED"), opos::OPOS_PN_DISABLED},
    {QLatin1String("OPOS_PN_ENABLED"), opos::OPOS_PN_ENABLED},
    {QLatin1String("OPOS_BC_NONE"), 0},
    {QLatin1String("OPOS_BC_NIBBLE"), 1},
    {QLatin1String("OPOS_BC_DECIMAL"), 2},
    {QLatin1String("PTR_MM_DOTS"), 1},
    {QLatin1String("PTR_MM_TWIPS"), 2},
    {QLatin1String("PTR_MM_ENGLISH"), 3},
    {QLatin1String("PTR_MM_METRIC"), 4},
    {QLatin1String("PTR_CS_UNICODE"), 997},
    {QLatin1String("PTR_CS_ASCII"), 998},
    {QLatin1String("PTR_CS_ANSI"), 999},
    {QLatin1String("PTR_BCS_UPCA"), opos::PTR_BCS_UPCA},
    {QLatin1String("PTR_BCS_UPCE"), opos::PTR_BCS_UPCE},
    {QLatin1String("PTR_BCS_JAN8"), opos::PTR_BCS_JAN8},
    {QLatin1String("PTR_BCS_EAN8"), opos::PTR_BCS_EAN8},
    {QLatin1String("PTR_BCS_JAN13"), opos::PTR_BCS_JAN13},
    {QLatin1String("PTR_BCS_EAN13"), opos::PTR_BCS_EAN13},
    {QLatin1String("PTR_BCS_TF"), opos::PTR_BCS_TF},
    {QLatin1String("PTR_BCS_ITF"), opos::PTR_BCS_ITF},
    {QLatin1String("PTR_BCS_CODABAR"), opos::PTR_BCS_Codabar},
    {QLatin1String("PTR_BCS_CODE39"), opos::PTR_BCS_Code39},
    {QLatin1String("PTR_BCS_CODE93"), opos::PTR_BCS_Code93},
    {QLatin1String("PTR_BCS_CODE128"), opos::PTR_BCS_Code128},
    {QLatin1String("PTR_BCS_UPCA_S"), opos::PTR_BCS_UPCA_S},
    {QLatin1String("PTR_BCS_UPCE_S"), opos::PTR_BCS_UPCE_S},
    {QLatin1String("PTR_BCS_UPCD1"), opos::PTR_BCS_UPCD1},
    {QLatin1String("PTR_BCS_UPCD2"), opos::PTR_BCS_UPCD2},
    {QLatin1String("PTR_BCS_UPCD3"), opos::PTR_BCS_UPCD3},
    {QLatin1String("PTR_BCS_UPCD4"), opos::PTR_BCS_UPCD4},
    {QLatin1String("PTR_BCS_UPCD5"), opos::PTR_BCS_UPCD5},
    {QLatin1String("PTR_BCS_EAN8_S"), opos::PTR_BCS_EAN8_S},
    {QLatin1String("PTR_BCS_EAN13_S"), opos::PTR_BCS_EAN13_S},
    {QLatin1String("PTR_BCS_EAN128"), opos::PTR_BCS_EAN128},
    {QLatin1String("PTR_BCS_OCRA"), opos::PTR_BCS_OCRA},
    {QLatin1String("PTR_BCS_OCRB"), opos::PTR_BCS_OCRB},
    {QLatin1String("PTR_BCS_CODE128_PARSED"), opos::PTR_BCS_Code128_Parsed},
    {QLatin1String("PTR_BCS_PDF417"), opos::PTR_BCS_PDF417},
    {QLatin1String("PTR_BCS_MAXICODE"), opos::PTR_BCS_MAXICODE},
    {QLatin1String("PTR_BCS_DATAMATRIX"), opos::PTR_BCS_DATAMATRIX},
    {QLatin1String("PTR_BCS_QRCODE"), opos::PTR_BCS_QRCODE},
    {QLatin1String("PTR_BCS_UQRCODE"), opos::PTR_BCS_UQRCODE},
    {QLatin1String("PTR_BCS_AZTEC"), opos::PTR_BCS_AZTEC},
    {QLatin1String("PTR_BCS_UPDF417"), opos::PTR_BCS_UPDF417},
    {QLatin1String("PTR_BC_LEFT"), opos::PTR_BC_LEFT},
    {QLatin1String("PTR_BC_CENTER"), opos::PTR_BC_CENTER},
    {QLatin1String("PTR_BC_RIGHT"), opos::PTR_BC_RIGHT},
    {QLatin1String("PTR_BC_TEXT_NONE"), opos::PTR_BC_TEXT_NONE},
    {QLatin1String("PTR_BC_TEXT_ABOVE"), opos::PTR_BC_TEXT_ABOVE},
    {QLatin1String("PTR_BC_TEXT_BELOW"), opos::PTR_BC_TEXT_BELOW},
    {QLatin1String("PTR_BM_ASIS"), opos::PTR_BM_ASIS},
    {QLatin1String("PTR_BM_LEFT"), opos::PTR_BM_LEFT},
    {QLatin1String("PTR_BM_CENTER"), opos::PTR_BM_CENTER},
    {QLatin1String("PTR_BM_RIGHT"), opos::PTR_BM_RIGHT},
    {QLatin1String("PTR_BMT_BMP"), opos::PTR_BMT_BMP},
    {QLatin1String("PTR_BMT_JPEG"), opos::PTR_BMT_JPEG},
    {QLatin1String("PTR_BMT_GIF"), opos::PTR_BMT_GIF},
    {QLatin1String("DISP_DT_NORMAL"), opos::DISP_DT_NORMAL},
    {QLatin1String("DISP_DT_BLINK"), opos::DISP_DT_BLINK},
    {QLatin1String("DISP_DT_REVERSE"), opos::DISP_DT_REVERSE},
    {QLatin1String("DISP_DT_BLINK_REVERSE"), opos::DISP_DT_BLINK_REVERSE},
};

constexpr Named kPowerEvents[]{
    {QLatin1String("OPOS_SUE_POWER_ONLINE"), opos::OPOS_SUE_POWER_ONLINE},
    {QLatin1String("OPOS_SUE_POWER_OFF"), opos::OPOS_SUE_POWER_OFF},
    {QLatin1String("OPOS_SUE_POWER_OFFLINE"), opos::OPOS_SUE_POWER_OFFLINE},
    {QLatin1String("OPOS_SUE_POWER_OFF_OFFLINE"), opos::OPOS_SUE_POWER_OFF_OFFLINE},
};

constexpr Named kDrawerEvents[]{
    {QLatin1String("CASH_SUE_DRAWERCLOSED"), opos::CASH_SUE_DRAWERCLOSED},
    {QLatin1String("CASH_SUE_DRAWEROPEN"), opos::CASH_SUE_DRAWEROPEN},
};

template <size_t N> void insertAll(Table& table, const Named (&names)[N])
{
    for (const Named& named : names)
        table.insert(QString(named.name), named.value);
}

template <size_t N> QString nameIn(const Named (&names)[N], int32_t value)
{
    for (const Named& named : names)
        if (named.value == value)
            return named.name;
    return {};
}

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
    Table names;
    insertAll(names, kDrawerEvents);
    insertAll(names, kPowerEvents);
    const QString unknown = DecodeStatusUpdate(-1);
    for (int32_t data = 0; data <= 1001; ++data) {
        const QString name = DecodeStatusUpdate(data);
        if (name != unknown)
            names.insert(name, data);
    }
    return names;
}

std::optional<int32_t> lookUp(const Table& table, QStringView text)
{
    // A name (a letter or an underscore first) is never a number; most texts looked up are names.
    const bool name = !text.isEmpty() && (text.front().isLetter() || text.front() == u'_');
    if (!name) {
        if (const auto number = parseNumber(text))
            return number;
    }
    // A plain ASCII text is upper-cased on the stack and looked up without a copy of its own:
    // every constant of a long script comes here. Anything else takes Unicode's upper case.
    QVarLengthArray<char16_t, 64> upper;
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        if (code >= 0x80) {
            upper.clear();
            break;
        }
        upper.append(code >= u'a' && code <= u'z' ? char16_t(code - (u'a' - u'A')) : code);
    }
    const QString key =
        upper.size() == text.size()
            ? QString::fromRawData(reinterpret_cast<const QChar*>(upper.constData()), upper.size())
            : text.toString().toUpper();
    const auto found = table.constFind(key);
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
        Table all = resultNames();
        insertAll(all, kOtherNames);
        all.insert(statusNames());
        return all;
    }();
    return lookUp(table, text);
}

QString statusUpdateName(bool cashDrawer, int32_t data)
{
    QString name = nameIn(kPowerEvents, data);
    if (name.isEmpty() && cashDrawer)
        name = nameIn(kDrawerEvents, data);
    if (name.isEmpty() && !cashDrawer && DecodeStatusUpdate(data) != DecodeStatusUpdate(-1))
        name = DecodeStatusUpdate(data);
    return name.isEmpty() ? QString::number(data) : name;
}

QLatin1String constantName(int32_t value, QStringView prefix)
{
    // Names and prefixes are plain ASCII, compared as such: every call's transcript line asks.
    const auto startsWithPrefix = [prefix](QLatin1String name) {
        return name.size() >= prefix.size() &&
               std::equal(prefix.begin(), prefix.end(), name.begin(),
                          [](QChar a, char b) { return a.unicode() == uchar(b); });
    };
    for (const Named& named : kOtherNames)
        if (named.value == value && startsWithPrefix(named.name))
            return named.name;
    return {};
}

} // namespace script
