#pragma once

#include "opos/DotImage.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <memory>

namespace opos {

// Where a symbol or image goes across the station: the OPOS alignment as asked, and the left
// edge in dots it works out to, for printers that place the picture themselves and those that
// are told where.
struct Placement
{
    enum class Align
    {
        Left,
        Centre,
        Right,
        At // `left` dots from the left edge
    };
    Align align = Align::Left;
    int left = 0;
};

// A barcode, QR code or image checked by the control layer and ready for any device: the dots
// to print (the symbol rendered at the chosen module width, or the image in black and white)
// and, for printers with their own barcode commands, what to encode and at which sizes.
struct GraphicRequest
{
    enum class Kind
    {
        BarCode,
        Bitmap
    };
    Kind kind = Kind::BarCode;
    int32_t station = 0;
    Placement placement;
    std::shared_ptr<const DotImage> image;

    // BarCode only.
    int32_t symbology = 0;    // PTR_BCS_*
    QByteArray data;          // as encoded, check digit included
    QString readableText;     // the human-readable line under or over the bars
    int32_t textPosition = 0; // PTR_BC_TEXT_*
    int moduleDots = 1;       // width of the narrowest bar, or of a 2D module
    int heightDots = 0;       // linear: bar height; 2D: height of one module row
    int columns = 0;          // modules across (linear) or data columns (PDF417)
    int rows = 1;             // module rows (2D)

    // How the printed-output list echoes it: "[QR code] https://…", "[image] logo.png 384x120".
    QString description;
};

} // namespace opos
