#include "services/Numbers.h"

#include <QLocale>
#include <QRegularExpression>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace numbers {

bool IsNumeric(const QString& text)
{
    // ASCII digits only: the decimal point is "." whatever the user's locale says. \A and \z
    // anchor at the very ends; "$" would also match before a final line feed.
    static const QRegularExpression number(QStringLiteral(
        "\\A[ \\t]*[+-]?(?:[0-9]+(?:\\.[0-9]*)?|\\.[0-9]+)(?:[eE][+-]?[0-9]+)?[ \\t]*\\z"));
    return number.match(text).hasMatch();
}

double toDouble(const QString& text)
{
    // The C locale reads "." as the decimal point and gives an infinity on overflow, which
    // toLong then refuses.
    return QLocale::c().toDouble(text.trimmed());
}

int32_t toLong(double value)
{
    const double rounded = std::round(value); // halves away from zero
    if (!(rounded >= static_cast<double>(std::numeric_limits<int32_t>::min()) &&
          rounded <= static_cast<double>(std::numeric_limits<int32_t>::max())))
        throw std::overflow_error("Overflow");
    return static_cast<int32_t>(rounded);
}

} // namespace numbers
