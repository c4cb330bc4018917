#pragma once

#include "opos/DotImage.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <optional>

namespace opos {

// A symbology the printers here can print, by its OPOS number (PTR_BCS_*).
struct Symbology
{
    int32_t code;
    const char* name; // as a technician says it: "EAN-13", "QR code"
    bool twoDimensional;
};

const Symbology* findSymbology(int32_t code);
QList<int32_t> supportedSymbologies();

// A symbol encoded at one dot per module: one row for a linear symbol, one per module row for a
// 2D one.
struct EncodedSymbol
{
    int32_t symbology = 0;
    QByteArray data;      // what was encoded, check digit included
    QString readableText; // the human-readable line
    DotImage modules;
    int dataColumns = 0; // PDF417: codeword columns
};

// The symbol for data, or why the symbology cannot carry it ("EAN-13 check digit is 1, not 7").
struct SymbolResult
{
    std::optional<EncodedSymbol> symbol;
    QString error;
};
SymbolResult encodeSymbol(int32_t symbology, const QByteArray& data);

// Checks data against the rules of the symbology and completes it: a missing check digit is
// added, Codabar start and stop characters are made upper case. Returns the reason it cannot
// be printed, or an empty string.
QString checkSymbolData(int32_t symbology, QByteArray& data);

// The dots of a symbol: every module moduleDots wide, every module row rowDots high (a linear
// symbol's one row is its bar height).
DotImage renderSymbol(const DotImage& modules, int moduleDots, int rowDots);

} // namespace opos
