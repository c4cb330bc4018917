#pragma once

#include "opos/GraphicRequest.h"
#include "opos/PrintDataParser.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

namespace netprinter {

// A barcode, two-dimensional symbol or image that a stream asked to print, with everything the
// stream said about it, for a renderer to put on the roll.
struct StreamGraphic
{
    enum class Kind
    {
        Barcode, // GS k
        QrCode,  // GS ( k, symbol 49
        Pdf417,  // GS ( k, symbol 48
        Image    // GS v 0, ESC *, GS ( L / GS 8 L, GS /
    };
    enum class Bits
    {
        Raster,  // rows top to bottom, most significant bit leftmost, 1 black
        Columns, // ESC *: columns left to right of 1 or 3 bytes, most significant bit on top
        None     // not kept (too large, or a stored image the stream never sent)
    };
    Kind kind = Kind::Image;
    QString symbology;    // Barcode: "CODE128", "EAN13", ...
    int32_t drawnAs = 0;  // the PTR_BCS_* symbology that draws it; 0 when none does
    QByteArray data;      // symbol data as sent
    int width = 0;        // Image: dots across
    int height = 0;       // Image: dots down; Barcode: bar height in dots
    int moduleWidth = 0;  // Barcode: GS w; QR and PDF417: module size in dots
    int textPosition = 0; // Barcode: GS H (0 none, 1 above, 2 below, 3 both)
    int errorLevel = 0;   // QR: 48 L to 51 H; PDF417: the level set
    Bits bits = Bits::None;
    QByteArray pixels; // the image as sent, in the Bits layout
    opos::Alignment align = opos::Alignment::Left;
};

// A GS k barcode type m: its name ("CODE128", "EAN-13") and the PTR_BCS_* symbology that
// draws it, 0 when none does.
struct BarcodeType
{
    const char* name;
    int32_t drawnAs;
};
BarcodeType barcodeType(int m);

// A request drawn as the simulated printer draws symbols and images: the dots and where they go
// on a line lineDots wide, or why they cannot be drawn.
struct DrawnGraphic
{
    std::optional<opos::GraphicRequest> graphic;
    QString failure;
};
DrawnGraphic drawGraphic(const StreamGraphic& request, int lineDots);

// A line of text that says what could not be drawn: "[QR code] data", "[image 384x120]".
std::vector<opos::PrintSegment> placeholderSegments(const StreamGraphic& request);

} // namespace netprinter
