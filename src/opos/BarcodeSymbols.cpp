#include "opos/BarcodeSymbols.h"

#include "opos/OposConstants.h"

#include <array>
#include <memory>
#include <zint.h>

namespace opos {

namespace {

struct Entry
{
    Symbology symbology;
    int zintId;
};

constexpr std::array kSymbologies{
    Entry{{PTR_BCS_UPCA, "UPC-A", false}, BARCODE_UPCA},
    Entry{{PTR_BCS_UPCE, "UPC-E", false}, BARCODE_UPCE},
    Entry{{PTR_BCS_EAN8, "EAN-8", false}, BARCODE_EANX},
    Entry{{PTR_BCS_EAN13, "EAN-13", false}, BARCODE_EANX},
    Entry{{PTR_BCS_ITF, "ITF", false}, BARCODE_C25INTER},
    Entry{{PTR_BCS_Codabar, "Codabar", false}, BARCODE_CODABAR},
    Entry{{PTR_BCS_Code39, "Code 39", false}, BARCODE_CODE39},
    Entry{{PTR_BCS_Code93, "Code 93", false}, BARCODE_CODE93},
    Entry{{PTR_BCS_Code128, "Code 128", false}, BARCODE_CODE128},
    Entry{{PTR_BCS_PDF417, "PDF417", true}, BARCODE_PDF417},
    Entry{{PTR_BCS_QRCODE, "QR code", true}, BARCODE_QRCODE},
};

const Entry* findEntry(int32_t code)
{
    for (const Entry& entry : kSymbologies)
        if (entry.symbology.code == code)
            return &entry;
    return nullptr;
}

// What zint is given: UPC-A and EAN without their check digit, which checkSymbolData verified
// and zint adds again.
QByteArray zintInput(int32_t symbology, const QByteArray& data)
{
    switch (symbology) {
    case PTR_BCS_UPCA:
    case PTR_BCS_EAN13:
    case PTR_BCS_EAN8:
        return data.left(data.size() - 1);
    default:
        return data;
    }
}

QString zintError(const char* name, const char* errtxt)
{
    QString text = QString::fromUtf8(errtxt);
    // zint numbers its messages ("270: Invalid check digit"); the number means nothing here.
    const qsizetype colon = text.indexOf(QLatin1String(": "));
    if (colon > 0 && colon < 5)
        text = text.mid(colon + 2);
    return QStringLiteral("%1: %2").arg(QLatin1String(name), text);
}

} // namespace

const Symbology* findSymbology(int32_t code)
{
    const Entry* entry = findEntry(code);
    return entry ? &entry->symbology : nullptr;
}

QList<int32_t> supportedSymbologies()
{
    QList<int32_t> codes;
    for (const Entry& entry : kSymbologies)
        codes.append(entry.symbology.code);
    return codes;
}

SymbolResult encodeSymbol(int32_t symbology, const QByteArray& given)
{
    QByteArray data = given;
    if (QString reason = checkSymbolData(symbology, data); !reason.isEmpty())
        return {std::nullopt, reason};
    const Entry* entry = findEntry(symbology);
    const std::unique_ptr<zint_symbol, void (*)(zint_symbol*)> zs(ZBarcode_Create(),
                                                                  ZBarcode_Delete);
    if (!zs)
        return {std::nullopt, QStringLiteral("Out of memory for the symbol")};
    zs->symbology = entry->zintId;
    zs->input_mode = DATA_MODE; // the bytes as given, no character set conversion
    zs->warn_level = WARN_FAIL_ALL;
    if (symbology == PTR_BCS_QRCODE)
        zs->option_1 = 2; // error correction M, as the ESC/POS backend asks the printer for
    if (symbology == PTR_BCS_PDF417)
        zs->option_1 = 2; // error correction level 2
    const QByteArray input = zintInput(symbology, data);
    const int failed = ZBarcode_Encode(
        zs.get(), reinterpret_cast<const unsigned char*>(input.constData()), int(input.size()));
    if (failed >= ZINT_ERROR)
        return {std::nullopt, zintError(entry->symbology.name, zs->errtxt)};

    EncodedSymbol symbol;
    symbol.symbology = symbology;
    symbol.readableText = QString::fromUtf8(reinterpret_cast<const char*>(zs->text));
    symbol.data = data;
    if (symbology == PTR_BCS_UPCE) // completed by zint: number system and check digit
        symbol.data = symbol.readableText.toLatin1();
    if (symbol.readableText.isEmpty())
        symbol.readableText = QString::fromLatin1(data);
    // Linear symbols come as one row of modules; zint may add separator rows for none of ours.
    const int rows = entry->symbology.twoDimensional ? zs->rows : 1;
    symbol.modules = DotImage(zs->width, rows);
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < zs->width; ++x)
            if ((zs->encoded_data[y][x >> 3] >> (x & 7)) & 1)
                symbol.modules.setDot(x, y);
    if (symbology == PTR_BCS_PDF417)
        symbol.dataColumns = (zs->width - 69) / 17; // start, two row indicators, stop
    return {std::move(symbol), {}};
}

DotImage renderSymbol(const DotImage& modules, int moduleDots, int rowDots)
{
    DotImage out(modules.width * moduleDots, modules.height * rowDots);
    for (int y = 0; y < modules.height; ++y) {
        const int top = y * rowDots;
        for (int x = 0; x < modules.width; ++x) {
            if (!modules.dot(x, y))
                continue;
            for (int dx = 0; dx < moduleDots; ++dx)
                out.setDot(x * moduleDots + dx, top);
        }
        for (int dy = 1; dy < rowDots; ++dy)
            std::copy_n(out.row(top), out.bytesPerRow(),
                        out.bits.data() + qsizetype(top + dy) * out.bytesPerRow());
    }
    return out;
}

} // namespace opos
