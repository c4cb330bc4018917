#pragma once

#include <QByteArray>

namespace opos {

// A picture as a thermal head prints it: one bit per dot, rows top to bottom, each row padded to
// whole bytes, the most significant bit the leftmost dot, 1 = black. The same layout as an ESC/POS
// raster image, so a printer backend sends the rows as they are.
struct DotImage
{
    int width = 0;
    int height = 0;
    QByteArray bits;

    DotImage() = default;
    DotImage(int w, int h) : width(w), height(h), bits(qsizetype(bytesPerRow(w)) * h, '\0') {}

    static int bytesPerRow(int w) { return (w + 7) / 8; }
    int bytesPerRow() const { return bytesPerRow(width); }
    bool isNull() const { return width <= 0 || height <= 0; }
    bool dot(int x, int y) const
    {
        return (uchar(bits[qsizetype(y) * bytesPerRow() + x / 8]) >> (7 - x % 8)) & 1;
    }
    void setDot(int x, int y)
    {
        bits[qsizetype(y) * bytesPerRow() + x / 8] |= char(0x80 >> (x % 8));
    }
    const char* row(int y) const { return bits.constData() + qsizetype(y) * bytesPerRow(); }
};

} // namespace opos
