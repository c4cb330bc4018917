#pragma once

#include "opos/DotImage.h"
#include "opos/PrinterBackend.h"

#include <QByteArray>
#include <QString>
#include <memory>

class QIODevice;
class QImage;

namespace opos {

// An image made ready for a thermal head, or why it cannot be printed.
struct PreparedBitmap
{
    std::shared_ptr<const DotImage> image;
    DeviceResult failure; // E_NOEXIST, E_EXTENDED with BADFORMAT or TOOBIG
};

// Reads an image (BMP, PNG, GIF, JPEG: whatever QImage reads), scales it to widthDots across
// (0: one dot per pixel, keeping the aspect ratio) and dithers it to black and white. An image
// wider than maxWidthDots is refused before it is decoded in full.
PreparedBitmap prepareBitmapFile(const QString& path, int widthDots, int maxWidthDots);
// The same from bytes in memory; format is the one the caller declared ("bmp", "jpeg", "gif").
PreparedBitmap prepareBitmapData(const QByteArray& bytes, const char* format, int widthDots,
                                 int maxWidthDots);

// Black and white dots of a picture: transparent parts are paper, grey tones are dithered.
DotImage ditherToDots(const QImage& image);

} // namespace opos
