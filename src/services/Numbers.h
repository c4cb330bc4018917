#pragma once

#include <QString>
#include <cstdint>

// The number rules of the input boxes, the same whatever the locale.
namespace numbers {

// A number is: optional blanks, an optional sign, digits with an optional decimal part (the
// decimal point is "."), an optional exponent (e or E, optional sign, digits), optional blanks.
// "12", " -3.5 ", "+.5", "1e3", "2.E-1" are numbers; "", " ", "1,5", "0x10", "1e", "--1" are not.
bool IsNumeric(const QString& text);

// The value of a text for which IsNumeric is true.
double toDouble(const QString& text);

// Rounds to a whole number, halves away from zero (2.5 -> 3, -2.5 -> -3), and converts it to
// 32 bits; a result outside the 32-bit range throws std::overflow_error("Overflow").
int32_t toLong(double value);

} // namespace numbers
