#pragma once

#include <QColor>

// The colours of the status panel, the lamps and the event rows of the log.
namespace colours {

inline constexpr QColor Red(255, 0, 0);
inline constexpr QColor Green(0, 255, 0);
inline constexpr QColor Yellow(255, 255, 0);
inline constexpr QColor Blue(0, 0, 255);

} // namespace colours
