#pragma once

#include "printer/PrinterContext.h"

#include <QString>
#include <cstdint>

class LineCommands;

// What the barcode dialog asks for: PrintBarCode's parameters for the receipt station.
struct BarcodeParameters
{
    int32_t symbology = 0;
    QString data;
    int32_t height = 0;
    int32_t width = 0;
    int32_t alignment = 0;
    int32_t textPosition = 0;
};

// What the image dialog asks for: PrintBitmap's parameters for the receipt station.
struct BitmapParameters
{
    QString fileName;
    int32_t width = 0;
    int32_t alignment = 0;
};

// PrintBarCode and PrintBitmap on the receipt station under the rules of a printed line: each
// attempt logged ("PrintBarCode()", "PrintBitmap()"), what printed echoed in the list
// ("[QR code] https://...", "[image] logo.png 384x120"), the retry box for an open cover or an
// empty receipt. A run-time failure shows its box. Return the last code reported.
int32_t printBarCode(const PrinterContext& context, LineCommands& line,
                     const BarcodeParameters& parameters);
int32_t printBitmap(const PrinterContext& context, LineCommands& line,
                    const BitmapParameters& parameters);
