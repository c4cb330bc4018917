#include "opos/BarcodeSymbols.h"
#include "opos/BinaryConversion.h"
#include "opos/BitmapImages.h"
#include "opos/PosPrinterImpl.h"
#include "opos/PrinterPropertyIndex.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

namespace opos {

namespace {

constexpr int32_t kMaxBitmapNumber = 20;

// Where a picture widthDots across goes on a line lineWidth dots wide, or nothing when it does
// not fit there.
std::optional<Placement> place(int32_t alignment, int widthDots, int lineWidth, int alignmentDots)
{
    Placement where;
    switch (alignment) {
    case PTR_BC_LEFT:
        where = {Placement::Align::Left, 0};
        break;
    case PTR_BC_CENTER:
        where = {Placement::Align::Centre, (lineWidth - widthDots) / 2};
        break;
    case PTR_BC_RIGHT:
        where = {Placement::Align::Right, lineWidth - widthDots};
        break;
    default:
        where = {Placement::Align::At, alignmentDots};
        break;
    }
    if (widthDots > lineWidth || where.left + widthDots > lineWidth)
        return std::nullopt;
    return where;
}

bool validAlignment(int32_t alignment)
{
    return alignment >= 0 || alignment == PTR_BC_LEFT || alignment == PTR_BC_CENTER ||
           alignment == PTR_BC_RIGHT;
}

// The bytes a symbol encodes: the characters themselves where they fit in one byte each, UTF-8
// otherwise (a QR code of any text).
QByteArray symbolBytes(const QString& data)
{
    const bool latin1 =
        std::all_of(data.cbegin(), data.cend(), [](QChar c) { return c.unicode() <= 0xFF; });
    return latin1 ? data.toLatin1() : data.toUtf8();
}

QString echoText(const QString& kind, const QString& what)
{
    return QStringLiteral("[%1] %2").arg(kind, what);
}

} // namespace

int32_t PosPrinter::Impl::refuse(int32_t code, int32_t extended, const QString& reason)
{
    m_errorString = reason;
    return life.finish(code, extended);
}

int32_t PosPrinter::Impl::lineWidthDots(int32_t station) const
{
    const QVariant width =
        m_values.value(station == PTR_S_SLIP ? pidx::SlpLineWidth : pidx::RecLineWidth);
    return width.toInt();
}

// 0 when the station can print barcodes (or bitmaps), otherwise the code already set.
int32_t PosPrinter::Impl::graphicsRefusal(int32_t station, bool barCode)
{
    if (const int32_t code = life.needEnabled())
        return life.finish(code);
    const int32_t needed =
        station == PTR_S_RECEIPT ? (barCode ? pidx::CapRecBarCode : pidx::CapRecBitmap)
        : station == PTR_S_SLIP  ? (barCode ? pidx::CapSlpBarCode : pidx::CapSlpBitmap)
                                 : 0;
    if (!stationPresent(station) || needed == 0 || !capability(needed))
        return refuse(OPOS_E_ILLEGAL, 0,
                      barCode ? QStringLiteral("This station cannot print barcodes")
                              : QStringLiteral("This station cannot print bitmaps"));
    return OPOS_SUCCESS;
}

int32_t PosPrinter::Impl::printBarCode(int32_t station, const QString& data, int32_t symbology,
                                       int32_t height, int32_t width, int32_t alignment,
                                       int32_t textPosition)
{
    if (const int32_t code = graphicsRefusal(station, true))
        return code;
    const Symbology* known = findSymbology(symbology);
    if (!known)
        return refuse(
            OPOS_E_ILLEGAL, 0,
            QStringLiteral("Symbology %1 is not supported by this printer").arg(symbology));
    const int heightDots = toDots(height);
    const int widthDots = toDots(width);
    if (height <= 0 || heightDots < 1)
        return refuse(OPOS_E_ILLEGAL, 0, QStringLiteral("Height must be above 0"));
    if (width <= 0 || widthDots < 1)
        return refuse(OPOS_E_ILLEGAL, 0, QStringLiteral("Width must be above 0"));
    if (!validAlignment(alignment))
        return refuse(OPOS_E_ILLEGAL, 0,
                      QStringLiteral("Alignment %1 is not valid").arg(alignment));
    if (textPosition != PTR_BC_TEXT_NONE && textPosition != PTR_BC_TEXT_ABOVE &&
        textPosition != PTR_BC_TEXT_BELOW)
        return refuse(OPOS_E_ILLEGAL, 0,
                      QStringLiteral("TextPosition %1 is not valid").arg(textPosition));
    const auto converted = decodeBinaryConversion(data, m_binaryConversion);
    if (!converted)
        return refuse(OPOS_E_ILLEGAL, 0, QStringLiteral("Data does not fit BinaryConversion"));
    const SymbolResult encoded = encodeSymbol(symbology, symbolBytes(*converted));
    if (!encoded.symbol)
        return refuse(OPOS_E_ILLEGAL, 0, encoded.error);
    const EncodedSymbol& symbol = *encoded.symbol;
    const QLatin1String name(known->name);

    // The widest module that keeps the symbol within Width (a QR code within Height too).
    const int across = symbol.modules.width;
    int moduleDots = widthDots / across;
    if (symbology == PTR_BCS_QRCODE)
        moduleDots = std::min(moduleDots, heightDots / symbol.modules.height);
    if (moduleDots < 1)
        return refuse(OPOS_E_ILLEGAL, 0,
                      QStringLiteral("%1 of this data is %2 modules wide, %3 high: Width and "
                                     "Height must give at least that many dots")
                          .arg(name)
                          .arg(across)
                          .arg(symbol.modules.height));
    int rowDots = heightDots;
    if (symbology == PTR_BCS_QRCODE)
        rowDots = moduleDots;
    else if (symbology == PTR_BCS_PDF417)
        rowDots = std::clamp(heightDots / symbol.modules.height, 2 * moduleDots, 8 * moduleDots);
    const int lineWidth = lineWidthDots(station);
    const auto where = place(alignment, across * moduleDots, lineWidth, toDots(alignment));
    if (!where)
        return refuse(OPOS_E_EXTENDED, OPOS_EPTR_TOOBIG,
                      QStringLiteral("%1 is %2 dots wide here; the station prints %3")
                          .arg(name)
                          .arg(across * moduleDots)
                          .arg(lineWidth));

    auto request = std::make_shared<GraphicRequest>();
    request->kind = GraphicRequest::Kind::BarCode;
    request->station = station;
    request->placement = *where;
    request->image =
        std::make_shared<const DotImage>(renderSymbol(symbol.modules, moduleDots, rowDots));
    request->symbology = symbology;
    request->data = symbol.data;
    request->readableText = symbol.readableText;
    request->textPosition = known->twoDimensional ? PTR_BC_TEXT_NONE : textPosition;
    request->moduleDots = moduleDots;
    request->heightDots = rowDots;
    request->columns = symbology == PTR_BCS_PDF417 ? symbol.dataColumns : across;
    request->rows = symbol.modules.height;
    request->description = echoText(name, *converted);
    lastGraphic = request->description;
    OutputStep step{OutputStep::Kind::Graphic, station, {}, 0, std::move(request)};
    return output({std::move(step)});
}

int32_t PosPrinter::Impl::printPreparedBitmap(int32_t station, int32_t width, int32_t alignment,
                                              const std::function<PreparedBitmap(int, int)>& load,
                                              const QString& name, int32_t storeAs)
{
    if (const int32_t code = graphicsRefusal(station, false))
        return code;
    const int widthDots = width == PTR_BM_ASIS ? 0 : toDots(width);
    if (width != PTR_BM_ASIS && (width <= 0 || widthDots < 1))
        return refuse(OPOS_E_ILLEGAL, 0,
                      QStringLiteral("Width must be PTR_BM_ASIS or above 0, not %1").arg(width));
    if (!validAlignment(alignment))
        return refuse(OPOS_E_ILLEGAL, 0,
                      QStringLiteral("Alignment %1 is not valid").arg(alignment));
    const int lineWidth = lineWidthDots(station);
    const PreparedBitmap prepared = load(widthDots, lineWidth);
    if (!prepared.image)
        return refuse(prepared.failure.code, prepared.failure.extended, prepared.failure.text);
    const DotImage& image = *prepared.image;
    const auto where = place(alignment, image.width, lineWidth, toDots(alignment));
    if (!where)
        return refuse(
            OPOS_E_EXTENDED, OPOS_EPTR_TOOBIG,
            QStringLiteral("%1 does not fit the station at alignment %2").arg(name).arg(alignment));
    auto request = std::make_shared<GraphicRequest>();
    request->kind = GraphicRequest::Kind::Bitmap;
    request->station = station;
    request->placement = *where;
    request->image = prepared.image;
    request->description =
        echoText(QStringLiteral("image"),
                 QStringLiteral("%1 %2x%3").arg(name).arg(image.width).arg(image.height));
    lastGraphic = request->description;
    if (storeAs > 0) {
        m_bitmaps.insert(storeAs, std::move(request));
        return life.finish(OPOS_SUCCESS);
    }
    OutputStep step{OutputStep::Kind::Graphic, station, {}, 0, std::move(request)};
    return output({std::move(step)});
}

int32_t PosPrinter::Impl::printBitmap(int32_t station, const QString& fileName, int32_t width,
                                      int32_t alignment)
{
    return printPreparedBitmap(
        station, width, alignment,
        [&fileName](int widthDots, int maxWidth) {
            return prepareBitmapFile(fileName, widthDots, maxWidth);
        },
        QFileInfo(fileName).fileName());
}

int32_t PosPrinter::Impl::setBitmap(int32_t number, int32_t station, const QString& fileName,
                                    int32_t width, int32_t alignment)
{
    if (const int32_t code = graphicsRefusal(station, false))
        return code;
    if (number < 1 || number > kMaxBitmapNumber)
        return refuse(OPOS_E_ILLEGAL, 0,
                      QStringLiteral("BitmapNumber must be 1 to %1, not %2")
                          .arg(kMaxBitmapNumber)
                          .arg(number));
    if (fileName.isEmpty()) {
        m_bitmaps.remove(number);
        return life.finish(OPOS_SUCCESS);
    }
    return printPreparedBitmap(
        station, width, alignment,
        [&fileName](int widthDots, int maxWidth) {
            return prepareBitmapFile(fileName, widthDots, maxWidth);
        },
        QFileInfo(fileName).fileName(), number);
}

int32_t PosPrinter::Impl::printMemoryBitmap(int32_t station, const QString& data, int32_t type,
                                            int32_t width, int32_t alignment)
{
    if (const int32_t code = graphicsRefusal(station, false))
        return code;
    const char* format = type == PTR_BMT_BMP    ? "bmp"
                         : type == PTR_BMT_JPEG ? "jpeg"
                         : type == PTR_BMT_GIF  ? "gif"
                                                : nullptr;
    if (!format)
        return refuse(OPOS_E_ILLEGAL, 0, QStringLiteral("Type %1 is not a bitmap type").arg(type));
    const auto converted = decodeBinaryConversion(data, m_binaryConversion);
    if (!converted)
        return refuse(OPOS_E_ILLEGAL, 0, QStringLiteral("Data does not fit BinaryConversion"));
    // The data carries one byte per character.
    const QByteArray bytes = converted->toLatin1();
    return printPreparedBitmap(
        station, width, alignment,
        [&bytes, format](int widthDots, int maxWidth) {
            return prepareBitmapData(bytes, format, widthDots, maxWidth);
        },
        QString::fromLatin1(format).toUpper());
}

// Print data with ESC|#B sequences of stored bitmaps: the pieces before and after each one, and
// the bitmap between them.
std::vector<OutputStep> PosPrinter::Impl::withStoredBitmaps(OutputStep step) const
{
    if (m_bitmaps.isEmpty() || !step.data.contains(QLatin1String("\x1b|")))
        return {std::move(step)};
    static const QRegularExpression sequence(QStringLiteral("\\x1b\\|(\\d+)B"));
    std::vector<OutputStep> steps;
    qsizetype from = 0;
    auto it = sequence.globalMatch(step.data);
    while (it.hasNext()) {
        const auto match = it.next();
        const auto bitmap = m_bitmaps.value(match.captured(1).toInt());
        if (!bitmap || bitmap->station != step.station)
            continue; // not stored for this station: the device ignores the sequence
        if (match.capturedStart() > from)
            steps.push_back({OutputStep::Kind::Print, step.station,
                             step.data.mid(from, match.capturedStart() - from), 0, nullptr});
        steps.push_back({OutputStep::Kind::Graphic, step.station, {}, 0, bitmap});
        from = match.capturedEnd();
    }
    if (from < step.data.size())
        steps.push_back({OutputStep::Kind::Print, step.station, step.data.mid(from), 0, nullptr});
    return steps;
}

} // namespace opos
