#include "opos/BitmapImages.h"

#include "opos/OposConstants.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>

namespace opos {

namespace {

// Larger pictures are refused before they are decoded: they would only fill memory.
constexpr qint64 kMaxDots = 576LL * 20000;

DeviceResult tooBig(const QString& what)
{
    return {OPOS_E_EXTENDED, OPOS_EPTR_TOOBIG, what};
}

bool isBlackAndWhite(const QImage& image)
{
    if (image.format() == QImage::Format_Mono || image.format() == QImage::Format_MonoLSB)
        return true;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            const int grey = qGray(line[x]);
            if ((grey != 0 && grey != 255) || (qAlpha(line[x]) != 0 && qAlpha(line[x]) != 255))
                return false;
        }
    }
    return true;
}

PreparedBitmap prepare(QImageReader& reader, const QString& name, int widthDots, int maxWidthDots)
{
    const QSize size = reader.size();
    if (size.isValid()) {
        const int across = widthDots > 0 ? widthDots : size.width();
        const qint64 down = widthDots > 0
                                ? qint64(size.height()) * widthDots / std::max(size.width(), 1)
                                : size.height();
        if (across > maxWidthDots)
            return {nullptr, tooBig(QStringLiteral("%1 is %2 dots wide; the station prints %3")
                                        .arg(name)
                                        .arg(across)
                                        .arg(maxWidthDots))};
        if (qint64(across) * down > kMaxDots)
            return {
                nullptr,
                tooBig(QStringLiteral("%1 is too long to print (%2 dots)").arg(name).arg(down))};
    }
    QImage image = reader.read();
    if (image.isNull())
        return {nullptr,
                {OPOS_E_EXTENDED, OPOS_EPTR_BADFORMAT,
                 QStringLiteral("%1 is not an image this printer can read: %2")
                     .arg(name, reader.errorString())}};
    if (widthDots > 0 && widthDots != image.width())
        // A black-and-white picture (a logo, a barcode) keeps hard edges; smoothing would turn
        // them grey and the dither would fray them. Photographs are smoothed.
        image = image.scaledToWidth(widthDots, isBlackAndWhite(image) ? Qt::FastTransformation
                                                                      : Qt::SmoothTransformation);
    if (image.width() > maxWidthDots)
        return {nullptr, tooBig(QStringLiteral("%1 is %2 dots wide; the station prints %3")
                                    .arg(name)
                                    .arg(image.width())
                                    .arg(maxWidthDots))};
    return {std::make_shared<const DotImage>(ditherToDots(image)), {}};
}

} // namespace

PreparedBitmap prepareBitmapFile(const QString& path, int widthDots, int maxWidthDots)
{
    const QFileInfo file(path);
    if (!file.isFile())
        return {nullptr, {OPOS_E_NOEXIST, 0, QStringLiteral("%1 does not exist").arg(path)}};
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    return prepare(reader, file.fileName(), widthDots, maxWidthDots);
}

PreparedBitmap prepareBitmapData(const QByteArray& bytes, const char* format, int widthDots,
                                 int maxWidthDots)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    return prepare(reader, QStringLiteral("The %1 data").arg(QString::fromLatin1(format).toUpper()),
                   widthDots, maxWidthDots);
}

DotImage ditherToDots(const QImage& picture)
{
    // Transparent parts show the paper: blend the picture onto white first.
    QImage flat = picture.convertToFormat(QImage::Format_ARGB32);
    if (picture.hasAlphaChannel()) {
        for (int y = 0; y < flat.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(flat.scanLine(y));
            for (int x = 0; x < flat.width(); ++x) {
                const int alpha = qAlpha(line[x]);
                const auto blend = [alpha](int c) {
                    return (c * alpha + 255 * (255 - alpha)) / 255;
                };
                line[x] = qRgb(blend(qRed(line[x])), blend(qGreen(line[x])), blend(qBlue(line[x])));
            }
        }
    }
    const QImage mono = flat.convertToFormat(QImage::Format_Mono, Qt::MonoOnly | Qt::DiffuseDither);
    // Which colour index is black depends on the conversion: look it up.
    const bool oneIsBlack = mono.colorCount() > 1 && qGray(mono.color(1)) < qGray(mono.color(0));
    DotImage dots(mono.width(), mono.height());
    const int rowBytes = dots.bytesPerRow();
    for (int y = 0; y < mono.height(); ++y) {
        const uchar* from = mono.constScanLine(y);
        char* to = dots.bits.data() + qsizetype(y) * rowBytes;
        for (int i = 0; i < rowBytes; ++i)
            to[i] = char(oneIsBlack ? from[i] : ~from[i]);
        // Bits past the right edge stay paper.
        if (const int spare = rowBytes * 8 - mono.width())
            to[rowBytes - 1] = char(uchar(to[rowBytes - 1]) & uchar(0xFF << spare));
    }
    return dots;
}

} // namespace opos
