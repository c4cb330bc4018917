#include "backends/netprinter/StreamGraphic.h"
#include "opos/BarcodeSymbols.h"
#include "opos/OposConstants.h"

#include <algorithm>
#include <array>
#include <memory>

namespace netprinter {

namespace {

constexpr const char* kCode128 = "CODE128";

// ESC/POS Code 128 data names its code sets in braces ("{B", "{C"); in code set C every byte
// is a pair of digits (0 to 99). The result is the text itself, which the encoder splits into
// code sets again; function characters have no text and are refused.
std::optional<QByteArray> code128Text(const QByteArray& data)
{
    QByteArray text;
    bool setC = false;
    for (qsizetype i = 0; i < data.size(); ++i) {
        const char c = data[i];
        if (c == '{' && i + 1 < data.size()) {
            const char next = data[++i];
            if (next == '{') {
                text.append('{');
                continue;
            }
            if (next != 'A' && next != 'B' && next != 'C')
                return std::nullopt;
            setC = next == 'C';
            continue;
        }
        if (!setC) {
            text.append(c);
            continue;
        }
        const int pair = static_cast<uint8_t>(c);
        if (pair > 99)
            return std::nullopt;
        text.append(char('0' + pair / 10)).append(char('0' + pair % 10));
    }
    return text;
}

// Where a picture widthDots across goes for the alignment of the line it replaces.
opos::Placement placement(opos::Alignment align, int widthDots, int lineDots)
{
    switch (align) {
    case opos::Alignment::Centre:
        return {opos::Placement::Align::Centre, std::max(0, (lineDots - widthDots) / 2)};
    case opos::Alignment::Right:
        return {opos::Placement::Align::Right, std::max(0, lineDots - widthDots)};
    default:
        return {opos::Placement::Align::Left, 0};
    }
}

DrawnGraphic drawSymbol(const StreamGraphic& request, int lineDots)
{
    if (request.drawnAs == 0)
        return {std::nullopt, QStringLiteral("%1 is not drawn").arg(request.symbology)};
    QByteArray data = request.data;
    if (request.symbology == QLatin1String(kCode128)) {
        const auto text = code128Text(data);
        if (!text)
            return {std::nullopt, QStringLiteral("Code 128 with function characters")};
        data = *text;
    }
    const opos::SymbolResult encoded = opos::encodeSymbol(request.drawnAs, data);
    if (!encoded.symbol)
        return {std::nullopt, encoded.error};
    const bool twoDimensional = request.kind != StreamGraphic::Kind::Barcode;
    const int module = std::max(1, request.moduleWidth);
    // A PDF417 row is three modules high, as the printers make it by default.
    const int rowDots = request.kind == StreamGraphic::Kind::Pdf417 ? 3 * module
                        : twoDimensional                            ? module
                                                                    : std::max(1, request.height);
    const int widthDots = encoded.symbol->modules.width * module;
    if (widthDots > lineDots)
        return {
            std::nullopt,
            QStringLiteral("%1 dots wide, wider than the paper's %2").arg(widthDots).arg(lineDots)};
    opos::GraphicRequest graphic;
    graphic.kind = opos::GraphicRequest::Kind::BarCode;
    graphic.station = opos::PTR_S_RECEIPT;
    graphic.placement = placement(request.align, widthDots, lineDots);
    graphic.image = std::make_shared<const opos::DotImage>(
        opos::renderSymbol(encoded.symbol->modules, module, rowDots));
    graphic.symbology = request.drawnAs;
    graphic.data = encoded.symbol->data;
    graphic.readableText = encoded.symbol->readableText;
    // GS H: 1 above, 2 below, 3 both; the roll puts the text on one side, below for both.
    graphic.textPosition = twoDimensional              ? opos::PTR_BC_TEXT_NONE
                           : request.textPosition == 1 ? opos::PTR_BC_TEXT_ABOVE
                           : request.textPosition >= 2 ? opos::PTR_BC_TEXT_BELOW
                                                       : opos::PTR_BC_TEXT_NONE;
    graphic.moduleDots = module;
    graphic.heightDots = rowDots;
    return {graphic, {}};
}

// The image as sent, its part beyond the printable width left off as the head does.
DrawnGraphic drawImage(const StreamGraphic& request, int lineDots)
{
    if (request.bits == StreamGraphic::Bits::None || request.width <= 0 || request.height <= 0)
        return {std::nullopt, {}};
    const int width = std::min(request.width, lineDots);
    auto image = std::make_shared<opos::DotImage>(width, request.height);
    const QByteArray& pixels = request.pixels;
    const int rowBytes = opos::DotImage::bytesPerRow(request.width);
    const int columnBytes = (request.height + 7) / 8;
    for (int y = 0; y < request.height; ++y)
        for (int x = 0; x < width; ++x) {
            const qsizetype bit = request.bits == StreamGraphic::Bits::Raster
                                      ? qsizetype(y) * rowBytes * 8 + x
                                      : (qsizetype(x) * columnBytes + y / 8) * 8 + y % 8;
            if (bit / 8 < pixels.size() && (uint8_t(pixels[bit / 8]) >> (7 - bit % 8)) & 1)
                image->setDot(x, y);
        }
    opos::GraphicRequest graphic;
    graphic.kind = opos::GraphicRequest::Kind::Bitmap;
    graphic.station = opos::PTR_S_RECEIPT;
    graphic.placement = placement(request.align, width, lineDots);
    graphic.image = std::move(image);
    return {graphic, {}};
}

} // namespace

BarcodeType barcodeType(int m)
{
    // Types 0 to 6 end with NUL; 65 to 79 are counted, the same symbologies first.
    static constexpr std::array<BarcodeType, 15> kTypes{{
        {"UPC-A", opos::PTR_BCS_UPCA},
        {"UPC-E", opos::PTR_BCS_UPCE},
        {"EAN-13", opos::PTR_BCS_EAN13},
        {"EAN-8", opos::PTR_BCS_EAN8},
        {"CODE39", opos::PTR_BCS_Code39},
        {"ITF", opos::PTR_BCS_ITF},
        {"CODABAR", opos::PTR_BCS_Codabar},
        {"CODE93", opos::PTR_BCS_Code93},
        {kCode128, opos::PTR_BCS_Code128}, // code sets chosen in the data with braces
        {"GS1-128", 0},
        {"GS1 DataBar", 0},
        {"GS1 DataBar truncated", 0},
        {"GS1 DataBar limited", 0},
        {"GS1 DataBar expanded", 0},
        {"CODE128 auto", opos::PTR_BCS_Code128}, // plain text, code sets left to the printer
    }};
    const int index = m >= 65 ? m - 65 : m;
    return index >= 0 && index < static_cast<int>(kTypes.size()) && (m >= 65 || m <= 6)
               ? kTypes[static_cast<size_t>(index)]
               : BarcodeType{"barcode", 0};
}

DrawnGraphic drawGraphic(const StreamGraphic& request, int lineDots)
{
    return request.kind == StreamGraphic::Kind::Image ? drawImage(request, lineDots)
                                                      : drawSymbol(request, lineDots);
}

} // namespace netprinter
