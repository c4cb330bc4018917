#pragma once

#include <QImage>
#include <QString>
#include <vector>

// Reads the barcodes and QR codes on a receipt picture with an independent decoder, the way a
// scanner at the till would: the picture gets a white margin (the paper beyond the printable
// width) and every symbol found is returned with its symbology's name.
struct DecodedSymbol
{
    QString format; // "EAN-13", "QRCode", ...
    QString text;
};

std::vector<DecodedSymbol> decodeSymbols(const QImage& picture);
