#include "opos/BarcodeSymbols.h"
#include "opos/OposConstants.h"

#include <algorithm>

namespace opos {

namespace {

bool allDigits(const QByteArray& data)
{
    return !data.isEmpty() &&
           std::all_of(data.cbegin(), data.cend(), [](char c) { return c >= '0' && c <= '9'; });
}

bool allIn(const QByteArray& data, const char* allowed)
{
    const QByteArray set(allowed);
    return std::all_of(data.cbegin(), data.cend(), [&set](char c) { return set.contains(c); });
}

// The GS1 check digit of UPC and EAN numbers: weights 3 and 1 from the right.
char gs1CheckDigit(const QByteArray& digits)
{
    int sum = 0;
    int weight = 3;
    for (auto it = digits.crbegin(); it != digits.crend(); ++it) {
        sum += (*it - '0') * weight;
        weight = 4 - weight;
    }
    return char('0' + (10 - sum % 10) % 10);
}

// Numbers of a fixed length with a GS1 check digit, which may be left out.
QString checkGs1(const char* name, QByteArray& data, int length)
{
    if (!allDigits(data))
        return QStringLiteral("%1 takes digits only").arg(QLatin1String(name));
    if (data.size() != length - 1 && data.size() != length)
        return QStringLiteral("%1 takes %2 digits, or %3 with the check digit; got %4")
            .arg(QLatin1String(name))
            .arg(length - 1)
            .arg(length)
            .arg(data.size());
    const char check = gs1CheckDigit(data.left(length - 1));
    if (data.size() == length - 1)
        data.append(check);
    else if (data.back() != check)
        return QStringLiteral("%1 check digit is %2, not %3")
            .arg(QLatin1String(name), QChar::fromLatin1(check), QChar::fromLatin1(data.back()));
    return {};
}

} // namespace

QString checkSymbolData(int32_t symbology, QByteArray& data)
{
    const Symbology* known = findSymbology(symbology);
    if (!known)
        return QStringLiteral("Symbology %1 is not supported").arg(symbology);
    const QLatin1String name(known->name);
    if (data.isEmpty())
        return QStringLiteral("%1 needs data").arg(name);
    switch (symbology) {
    case PTR_BCS_UPCA:
        return checkGs1(known->name, data, 12);
    case PTR_BCS_EAN13:
        return checkGs1(known->name, data, 13);
    case PTR_BCS_EAN8:
        return checkGs1(known->name, data, 8);
    case PTR_BCS_UPCE:
        if (!allDigits(data) || data.size() < 6 || data.size() > 8)
            return QStringLiteral("UPC-E takes 6 to 8 digits");
        if (data.size() > 6 && data[0] != '0' && data[0] != '1')
            return QStringLiteral("UPC-E number system is 0 or 1, not %1")
                .arg(QChar::fromLatin1(data[0]));
        return {};
    case PTR_BCS_ITF:
        if (!allDigits(data))
            return QStringLiteral("ITF takes digits only");
        if (data.size() % 2 != 0)
            return QStringLiteral("ITF takes an even number of digits; got %1").arg(data.size());
        return {};
    case PTR_BCS_Codabar: {
        data = data.toUpper();
        const QByteArray startStop("ABCD");
        if (data.size() < 3 || !startStop.contains(data.front()) ||
            !startStop.contains(data.back()))
            return QStringLiteral("Codabar starts and ends with A, B, C or D");
        if (!allIn(data.mid(1, data.size() - 2), "0123456789-$:/.+"))
            return QStringLiteral("Codabar takes digits and - $ : / . + only");
        return {};
    }
    case PTR_BCS_Code39:
        if (data.size() > 2 && data.front() == '*' && data.back() == '*')
            data = data.mid(1, data.size() - 2);
        if (!allIn(data, "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ -.$/+%"))
            return QStringLiteral(
                "Code 39 takes digits, capital letters and - . $ / + % space only");
        return {};
    case PTR_BCS_Code93:
        if (!std::all_of(data.cbegin(), data.cend(), [](char c) { return uchar(c) < 0x80; }))
            return QStringLiteral("Code 93 takes ASCII characters only");
        return {};
    default:
        return {};
    }
}

} // namespace opos
