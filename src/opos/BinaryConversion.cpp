#include "opos/BinaryConversion.h"

namespace opos {

std::optional<QString> decodeBinaryConversion(const QString& data, int32_t conversion)
{
    if (conversion == 0)
        return data;
    const qsizetype width = conversion == 1 ? 2 : conversion == 2 ? 3 : 0;
    if (width == 0 || data.size() % width != 0)
        return std::nullopt;
    QString bytes;
    bytes.reserve(data.size() / width);
    for (qsizetype i = 0; i < data.size(); i += width) {
        int value = 0;
        for (qsizetype k = 0; k < width; ++k) {
            const char16_t c = data[i + k].unicode();
            const bool nibble = conversion == 1 && c >= u'0' && c <= u'?';
            const bool digit = conversion == 2 && c >= u'0' && c <= u'9';
            if (!nibble && !digit)
                return std::nullopt;
            value = value * (conversion == 1 ? 16 : 10) + (c - u'0');
        }
        if (value > 255)
            return std::nullopt;
        bytes.append(QChar(value));
    }
    return bytes;
}

} // namespace opos
