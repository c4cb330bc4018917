#pragma once

#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>

namespace script {

// A plain decimal 32-bit number ("-1", "1000"); nothing for anything else or out of range.
std::optional<int32_t> parseNumber(QStringView text);

// A result or extended result code by its OPOS name ("OPOS_E_ILLEGAL", "OPOS_EPTR_COVER_OPEN")
// or as a number.
std::optional<int32_t> resultCodeValue(QStringView text);

// A status-update value by name (printer "PTR_SUE_*", power "OPOS_SUE_POWER_*", drawer
// "CASH_SUE_*") or as a number.
std::optional<int32_t> statusUpdateValue(QStringView text);

// Any constant a script may name as a value: the two above, states ("OPOS_S_IDLE"), stations
// ("PTR_S_RECEIPT"), transaction controls, error responses and levels, power states; or a number.
std::optional<int32_t> constantValue(QStringView text);

// The name a drawer status update shows in the transcript: "CASH_SUE_DRAWEROPEN" or the number.
QString drawerStatusName(int32_t data);

} // namespace script
