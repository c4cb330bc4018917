#pragma once

#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>

namespace opos {

// Undoes BinaryConversion on data given to the device: 0 NONE as it is; 1 NIBBLE, each byte
// as two characters 0x30 + its high and low nibble; 2 DECIMAL, each byte as three decimal
// digits. Malformed data or an unknown conversion: no value. Data without a conversion comes
// back shared, not copied: a line of megabytes costs nothing here.
std::optional<QString> decodeBinaryConversion(const QString& data, int32_t conversion);

} // namespace opos
