#pragma once

#include "opos/PrintDataParser.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <vector>

namespace netprinter {

// A barcode, two-dimensional symbol or image that a stream asked to print, with everything the
// stream said about it, for a renderer to put on the roll.
struct GraphicRequest
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

// Turns a request into what goes on the roll. The roll shows a picture as a line of text until
// it can draw one; a renderer that draws them replaces this one in a single place.
using GraphicRenderer = std::function<std::vector<opos::PrintSegment>(const GraphicRequest&)>;

// A line of text that says what would be printed: "[QR code] data", "[image 384x120]".
std::vector<opos::PrintSegment> placeholderSegments(const GraphicRequest& request);

} // namespace netprinter
