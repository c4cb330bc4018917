#pragma once

#include "opos/GraphicRequest.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace escpos {

// ESC/POS commands for a barcode, QR code, PDF417 symbol or raster image, aligned with ESC a
// (a distance from the left with GS L) and leaving the printer left-aligned. Images go in bands
// of kRasterBandRows rows, which any printer's buffer takes.
struct GraphicBytes
{
    QByteArray bytes;
    QString refusal;     // why this printer cannot print the request; bytes empty then
    bool tooBig = false; // the refusal is the printable width
};

inline constexpr int kRasterBandRows = 128;

GraphicBytes graphicCommands(const opos::GraphicRequest& request, int lineWidthDots);

} // namespace escpos
