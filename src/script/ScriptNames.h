#pragma once

#include <QLatin1String>
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
// ("PTR_S_RECEIPT"), transaction controls, health-check levels, error responses and levels,
// power states, map modes, character sets, display attributes; or a number.
std::optional<int32_t> constantValue(QStringView text);

// The name of a status-update value of the printer or the cash drawer ("PTR_SUE_COVER_OPEN",
// "OPOS_SUE_POWER_OFF", "CASH_SUE_DRAWEROPEN"), or the number when it has none.
QString statusUpdateName(bool cashDrawer, int32_t data);

// The name of a constant of the family the prefix names ("PTR_S_", "OPOS_CH_", ...) with that
// value; empty when the family has none.
QLatin1String constantName(int32_t value, QStringView prefix);

} // namespace script
