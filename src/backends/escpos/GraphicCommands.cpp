#include "backends/escpos/GraphicCommands.h"

#include "backends/escpos/EscPosTranslator.h"
#include "opos/BarcodeSymbols.h"
#include "opos/OposConstants.h"

#include <algorithm>

namespace escpos {

namespace {

constexpr int kMaxBarHeight = 255;
constexpr int kMinBarModule = 2;
constexpr int kMaxBarModule = 6;
constexpr int kMaxQrModule = 16;
constexpr int kMinPdfModule = 2;
constexpr int kMaxPdfModule = 8;
constexpr int kMaxSymbolData = 7089;

char low(int value)
{
    return static_cast<char>(value & 0xFF);
}

char high(int value)
{
    return static_cast<char>((value >> 8) & 0xFF);
}

// GS ( k: one function of the 2D symbol commands (cn 0x31 QR code, 0x30 PDF417).
QByteArray symbolFunction(char cn, char fn, const QByteArray& parameters)
{
    const int size = int(parameters.size()) + 2;
    return bytes({GS, '(', 'k', low(size), high(size), cn, fn}) + parameters;
}

QByteArray alignment(const opos::Placement& where)
{
    switch (where.align) {
    case opos::Placement::Align::Centre:
        return bytes({ESC, 'a', 1});
    case opos::Placement::Align::Right:
        return bytes({ESC, 'a', 2});
    case opos::Placement::Align::At:
        return bytes({ESC, 'a', 0, GS, 'L', low(where.left), high(where.left)});
    case opos::Placement::Align::Left:
        break;
    }
    return bytes({ESC, 'a', 0});
}

QByteArray backToLeft(const opos::Placement& where)
{
    QByteArray out = bytes({ESC, 'a', 0});
    if (where.align == opos::Placement::Align::At)
        out += bytes({GS, 'L', 0, 0});
    return out;
}

// The GS k m of each linear symbology (the form with a length byte).
char linearType(int32_t symbology)
{
    switch (symbology) {
    case opos::PTR_BCS_UPCA:
        return 0x41;
    case opos::PTR_BCS_UPCE:
        return 0x42;
    case opos::PTR_BCS_EAN13:
        return 0x43;
    case opos::PTR_BCS_EAN8:
        return 0x44;
    case opos::PTR_BCS_Code39:
        return 0x45;
    case opos::PTR_BCS_ITF:
        return 0x46;
    case opos::PTR_BCS_Codabar:
        return 0x47;
    case opos::PTR_BCS_Code93:
        return 0x48;
    default:
        return 0x49; // Code 128
    }
}

// Code 128 data with its code set: C for an even run of digits (two digits a byte), A for
// data with control characters, B otherwise ('{' doubled). Sets *symbols to the symbol
// characters it makes, for the width.
std::optional<QByteArray> code128Data(const QByteArray& data, int* symbols)
{
    const bool digits = data.size() % 2 == 0 && std::all_of(data.cbegin(), data.cend(), [](char c) {
                            return c >= '0' && c <= '9';
                        });
    if (digits) {
        QByteArray out("{C");
        for (qsizetype i = 0; i < data.size(); i += 2)
            out.append(char((data[i] - '0') * 10 + (data[i + 1] - '0')));
        *symbols = int(data.size() / 2);
        return out;
    }
    const bool control =
        std::any_of(data.cbegin(), data.cend(), [](char c) { return uchar(c) < 0x20; });
    const bool lower =
        std::any_of(data.cbegin(), data.cend(), [](char c) { return uchar(c) >= 0x60; });
    if (std::any_of(data.cbegin(), data.cend(), [](char c) { return uchar(c) > 0x7F; }) ||
        (control && lower))
        return std::nullopt;
    QByteArray out(control ? "{A" : "{B");
    for (const char c : data) {
        out.append(c);
        if (c == '{')
            out.append('{');
    }
    *symbols = int(data.size());
    return out;
}

GraphicBytes linear(const opos::GraphicRequest& request, int lineWidthDots)
{
    if (request.heightDots > kMaxBarHeight)
        return {{},
                QStringLiteral("This printer's bars are at most %1 dots high").arg(kMaxBarHeight)};
    const int module = std::min(request.moduleDots, kMaxBarModule);
    if (module < kMinBarModule)
        return {{},
                QStringLiteral("This printer's narrowest bar is %1 dots: Width must allow "
                               "at least %2 dots")
                    .arg(kMinBarModule)
                    .arg(request.columns * kMinBarModule)};
    QByteArray data = request.data;
    int modules = request.columns;
    if (request.symbology == opos::PTR_BCS_Code128) {
        int symbols = 0;
        const auto withSet = code128Data(request.data, &symbols);
        if (!withSet)
            return {{},
                    QStringLiteral("Code 128 on this printer takes ASCII, and control "
                                   "characters only without lower case")};
        data = *withSet;
        modules = 11 * (symbols + 2) + 13; // start, data, check character, stop
    }
    const int width = modules * module;
    const int room =
        lineWidthDots -
        (request.placement.align == opos::Placement::Align::At ? request.placement.left : 0);
    if (width > room)
        return {{},
                QStringLiteral("The symbol is %1 dots wide on this printer; %2 fit")
                    .arg(width)
                    .arg(room),
                true};
    if (data.size() > 255)
        return {{}, QStringLiteral("This printer takes at most 255 bytes of barcode data")};
    const char hri = request.textPosition == opos::PTR_BC_TEXT_ABOVE   ? 1
                     : request.textPosition == opos::PTR_BC_TEXT_BELOW ? 2
                                                                       : 0;
    QByteArray out = alignment(request.placement);
    out +=
        bytes({GS, 'h', low(request.heightDots), GS, 'w', low(module), GS, 'H', hri, GS, 'f', 0});
    out += bytes({GS, 'k', linearType(request.symbology), low(int(data.size()))}) + data;
    return {out + backToLeft(request.placement), {}};
}

GraphicBytes qrCode(const opos::GraphicRequest& request)
{
    if (request.data.size() > kMaxSymbolData)
        return {{},
                QStringLiteral("This printer stores at most %1 bytes of QR code data")
                    .arg(kMaxSymbolData)};
    const char module = low(std::min(request.moduleDots, kMaxQrModule));
    QByteArray out = alignment(request.placement);
    out += symbolFunction(0x31, 0x41, bytes({0x32, 0x00})); // model 2
    out += symbolFunction(0x31, 0x43, bytes({module}));
    out += symbolFunction(0x31, 0x45, bytes({0x31})); // error correction M
    out += symbolFunction(0x31, 0x50, QByteArray(1, 0x30) + request.data);
    out += symbolFunction(0x31, 0x51, bytes({0x30}));
    return {out + backToLeft(request.placement), {}};
}

GraphicBytes pdf417(const opos::GraphicRequest& request)
{
    if (request.data.size() > kMaxSymbolData)
        return {{},
                QStringLiteral("This printer stores at most %1 bytes of PDF417 data")
                    .arg(kMaxSymbolData)};
    const int module = std::clamp(request.moduleDots, kMinPdfModule, kMaxPdfModule);
    const int rowHeight = std::clamp(request.heightDots / std::max(module, 1), 2, 8);
    QByteArray out = alignment(request.placement);
    out += symbolFunction(0x30, 0x41, bytes({low(std::clamp(request.columns, 0, 30))}));
    out += symbolFunction(0x30, 0x42, bytes({0})); // rows: as many as the data needs
    out += symbolFunction(0x30, 0x43, bytes({low(module)}));
    out += symbolFunction(0x30, 0x44, bytes({low(rowHeight)}));
    out += symbolFunction(0x30, 0x45, bytes({0x30, 0x32})); // error correction level 2
    out += symbolFunction(0x30, 0x50, QByteArray(1, 0x30) + request.data);
    out += symbolFunction(0x30, 0x51, bytes({0x30}));
    return {out + backToLeft(request.placement), {}};
}

// GS v 0 in bands; a picture placed at a distance gets that many white dots on its left.
GraphicBytes raster(const opos::GraphicRequest& request)
{
    const opos::DotImage& image = *request.image;
    const bool shifted = request.placement.align == opos::Placement::Align::At;
    const int shift = shifted ? request.placement.left : 0;
    const int width = image.width + shift;
    const int rowBytes = opos::DotImage::bytesPerRow(width);
    QByteArray out =
        alignment({shifted ? opos::Placement::Align::Left : request.placement.align, 0});
    out.reserve(out.size() + qsizetype(rowBytes) * image.height +
                (image.height / kRasterBandRows + 1) * 8 + 3);
    for (int top = 0; top < image.height; top += kRasterBandRows) {
        const int rows = std::min(kRasterBandRows, image.height - top);
        out += bytes({GS, 'v', '0', 0, low(rowBytes), high(rowBytes), low(rows), high(rows)});
        for (int y = top; y < top + rows; ++y) {
            if (shift % 8 == 0) {
                out += QByteArray(shift / 8, '\0');
                out.append(image.row(y), image.bytesPerRow());
                out += QByteArray(rowBytes - shift / 8 - image.bytesPerRow(), '\0');
                continue;
            }
            opos::DotImage line(width, 1);
            for (int x = 0; x < image.width; ++x)
                if (image.dot(x, y))
                    line.setDot(x + shift, 0);
            out += line.bits;
        }
    }
    return {out + bytes({ESC, 'a', 0}), {}};
}

} // namespace

GraphicBytes graphicCommands(const opos::GraphicRequest& request, int lineWidthDots)
{
    if (request.kind == opos::GraphicRequest::Kind::Bitmap)
        return raster(request);
    if (request.symbology == opos::PTR_BCS_QRCODE)
        return qrCode(request);
    if (request.symbology == opos::PTR_BCS_PDF417)
        return pdf417(request);
    return linear(request, lineWidthDots);
}

} // namespace escpos
