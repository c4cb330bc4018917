#include "backends/netprinter/EscPosInterpreter.h"
#include "backends/sim/ReceiptImage.h"
#include "opos/OposConstants.h"

namespace netprinter {

namespace {

using Kind = opos::PrintSegment::Kind;

uint8_t arg(QByteArrayView h, qsizetype i)
{
    return i < h.size() ? static_cast<uint8_t>(h[i]) : 0;
}

// Many mode arguments take 0/1 or their characters '0'/'1'.
int level(uint8_t n)
{
    return n >= '0' ? n - '0' : n;
}

opos::Alignment alignment(uint8_t n)
{
    switch (level(n)) {
    case 1:
        return opos::Alignment::Centre;
    case 2:
        return opos::Alignment::Right;
    default:
        return opos::Alignment::Left;
    }
}

QString alignName(opos::Alignment align)
{
    return align == opos::Alignment::Centre  ? QStringLiteral("centre")
           : align == opos::Alignment::Right ? QStringLiteral("right")
                                             : QStringLiteral("left");
}

QString onOff(bool on)
{
    return on ? QStringLiteral("on") : QStringLiteral("off");
}

} // namespace

void EscPosInterpreter::execute(QByteArrayView h, const Frame& frame)
{
    switch (static_cast<uint8_t>(h[0])) {
    case 0x0A:
        push(Kind::NewLine);
        return;
    case 0x09: {
        constexpr int kTabColumns = 8;
        const int spaces = kTabColumns - m_column % kTabColumns;
        m_text += QString(spaces, u' ');
        m_column += spaces;
        return;
    }
    case 0x0D:
    case 0x0C:
    case 0x18:
        return; // carriage return, form feed, page data: nothing in standard mode
    case 0x10:
        executeDle(h);
        return;
    case 0x1B:
        executeEsc(h, frame);
        return;
    case 0x1D:
        executeGs(h, frame);
        return;
    default:
        noteCommand(h, frame);
        return;
    }
}

void EscPosInterpreter::executeDle(QByteArrayView h)
{
    const Frame frame = frameOf(h);
    if (h[1] == '\x04') {
        const int n = arg(h, 2);
        if (n >= 1 && n <= 4)
            reply(QByteArray(1, static_cast<char>(realTimeStatus(n, m_state))), h, frame.name);
        else
            reply({}, h, frame.name);
    } else if (h[1] == '\x14' && arg(h, 2) == 1) {
        noteCommand(h, frame,
                    QStringLiteral("pin %1, %2 ms: the drawer opens")
                        .arg(arg(h, 3) == 1 ? 5 : 2)
                        .arg(arg(h, 4) * 100));
        m_device.pulseDrawer();
    } else {
        noteCommand(h, frame, QStringLiteral("ignored"));
    }
}

void EscPosInterpreter::executeEsc(QByteArrayView h, const Frame& frame)
{
    const uint8_t n = arg(h, 2);
    QString detail;
    switch (h[1]) {
    case '@':
        endText();
        resetState();
        break;
    case '!':
        endText();
        m_fontB = n & 0x01;
        m_style.bold = n & 0x08;
        m_style.doubleHeight = n & 0x10;
        m_style.doubleWidth = n & 0x20;
        m_style.underline = n & 0x80 ? 1 : 0;
        break;
    case 'E':
    case 'G':
        endText();
        m_style.bold = n & 1;
        detail = onOff(m_style.bold);
        break;
    case '-':
        endText();
        m_style.underline = std::min(level(n), 2);
        detail = onOff(m_style.underline > 0);
        break;
    case 'M':
        endText();
        m_fontB = level(n) == 1;
        detail = m_fontB ? QStringLiteral("font B") : QStringLiteral("font A");
        break;
    case 'a':
        endText();
        m_style.align = alignment(n);
        detail = alignName(m_style.align);
        break;
    case 't':
        setCodeTable(n);
        break;
    case '2':
        m_lineSpacing = 30;
        break;
    case '3':
        m_lineSpacing = n;
        break;
    case 'd':
        push(Kind::FeedLines, n);
        break;
    case 'J':
        push(Kind::FeedLines, n / std::max(m_lineSpacing, 1));
        break;
    case 'e':
    case 'K':
        push(Kind::ReverseFeed, n);
        break;
    case 'i':
    case 'm':
        cut(false, false);
        break;
    case 'p':
        detail = QStringLiteral("pin %1, on %2 ms, off %3 ms: the drawer opens")
                     .arg(level(n) == 1 ? 5 : 2)
                     .arg(arg(h, 3) * 2)
                     .arg(arg(h, 4) * 2);
        m_device.pulseDrawer();
        break;
    default:
        break;
    }
    noteCommand(h, frame, detail);
}

void EscPosInterpreter::executeGs(QByteArrayView h, const Frame& frame)
{
    const uint8_t n = arg(h, 2);
    QString detail;
    switch (h[1]) {
    case '!':
        endText();
        m_style.doubleWidth = (n >> 4) > 0;
        m_style.doubleHeight = (n & 0x0F) > 0;
        detail = QStringLiteral("%1 x %2").arg((n >> 4) + 1).arg((n & 0x0F) + 1);
        break;
    case 'B':
        endText();
        m_style.reverse = n & 1;
        detail = onOff(m_style.reverse);
        break;
    case 'V': {
        if (h.size() == 3 && n != 0 && n != 1 && n != 48 && n != 49) {
            noteCommand(h, frame, QStringLiteral("ignored"));
            return;
        }
        const bool full = n == 0 || n == 48 || n == 65 || n == 97 || n == 103;
        noteCommand(h, frame);
        cut(full, n == 65 || n == 66 || n == 97 || n == 98);
        return;
    }
    case 'h':
        m_symbols.barHeight = n;
        break;
    case 'w':
        m_symbols.moduleWidth = n;
        break;
    case 'H':
        m_symbols.textPosition = level(n);
        break;
    case 'a':
        m_asbMask = n;
        noteCommand(h, frame, n ? QStringLiteral("on") : QStringLiteral("off"));
        if (n)
            sendAutomaticStatus(true);
        return;
    case 'r':
        reply(QByteArray(1, static_cast<char>(transmitStatus(n, m_state))), h, frame.name);
        return;
    case 'I':
        reply(printerId(n), h, frame.name);
        return;
    case '/':
        noteCommand(h, frame);
        printGraphic(m_symbols.downloaded.value_or(StreamGraphic{}));
        return;
    default:
        break;
    }
    noteCommand(h, frame, detail);
}

void EscPosInterpreter::executeWithData(QByteArrayView header, QByteArrayView data, qint64 total,
                                        bool kept)
{
    const Frame frame = frameOf(header);
    const uint8_t second = arg(header, 1);
    if (header[0] == '\x1D' && second == 'k') {
        noteCommand(
            header, frame,
            QString::fromLatin1(data.first(std::min<qsizetype>(data.size(), 40)).toByteArray()));
        barcode(arg(header, 2), data);
        return;
    }
    if (header[0] == '\x1D' && second == '(' && arg(header, 2) == 'k') {
        symbolCommand(data);
        return;
    }
    if (header[0] == '\x1D' && (second == '(' || second == '8') && arg(header, 2) == 'L') {
        graphicsCommand(data, total, kept);
        return;
    }
    StreamGraphic image;
    image.align = m_style.align;
    image.pixels = kept ? data.toByteArray() : QByteArray();
    image.bits = kept ? StreamGraphic::Bits::Raster : StreamGraphic::Bits::None;
    if (header[0] == '\x1D' && second == 'v') {
        image.width = 8 * (arg(header, 4) + 256 * arg(header, 5));
        image.height = arg(header, 6) + 256 * arg(header, 7);
    } else if (header[0] == '\x1B' && second == '*') {
        image.width = arg(header, 3) + 256 * arg(header, 4);
        image.height = arg(header, 2) >= 32 ? 24 : 8;
        image.bits = kept ? StreamGraphic::Bits::Columns : StreamGraphic::Bits::None;
    } else if (header[0] == '\x1D' && second == '*') {
        image.width = 8 * arg(header, 2);
        image.height = 8 * arg(header, 3);
        image.bits = kept ? StreamGraphic::Bits::Columns : StreamGraphic::Bits::None;
        m_symbols.downloaded = image;
        noteCommand(header, frame,
                    QStringLiteral("%1 x %2 dots").arg(image.width).arg(image.height));
        return;
    } else {
        noteCommand(header, frame, QStringLiteral("%1 data bytes").arg(total));
        return;
    }
    noteCommand(header, frame,
                QStringLiteral("%1 x %2 dots%3")
                    .arg(image.width)
                    .arg(image.height)
                    .arg(kept ? QString() : QStringLiteral(", too large to keep: not drawn")));
    printGraphic(image);
}

void EscPosInterpreter::barcode(int m, QByteArrayView data)
{
    StreamGraphic request;
    request.kind = StreamGraphic::Kind::Barcode;
    const BarcodeType type = barcodeType(m);
    request.symbology = QLatin1String(type.name);
    request.drawnAs = type.drawnAs;
    request.data = data.toByteArray();
    request.height = m_symbols.barHeight;
    request.moduleWidth = m_symbols.moduleWidth;
    request.textPosition = m_symbols.textPosition;
    request.align = m_style.align;
    printGraphic(request);
}

// GS ( k: cn fn parameters, for QR code (cn 49), PDF417 (cn 48) and the other 2D symbols.
void EscPosInterpreter::symbolCommand(QByteArrayView data)
{
    const QByteArray header = QByteArrayLiteral("\x1D(k");
    const int cn = arg(data, 0);
    const int fn = arg(data, 1);
    const uint8_t n = arg(data, 2);
    const bool qr = cn == 49;
    const bool pdf = cn == 48;
    QString what = qr    ? QStringLiteral("QR code")
                   : pdf ? QStringLiteral("PDF417")
                         : QStringLiteral("2D symbol %1").arg(cn);
    QString detail;
    switch (fn) {
    case 65:
        detail = QStringLiteral("%1 columns or model %2").arg(what).arg(n);
        break;
    case 67:
        (qr ? m_symbols.qrModule : m_symbols.pdfModule) = n;
        detail = QStringLiteral("%1 module size %2").arg(what).arg(n);
        break;
    case 69:
        if (qr)
            m_symbols.qrLevel = n;
        else
            m_symbols.pdfLevel = arg(data, 3);
        detail = QStringLiteral("%1 error correction").arg(what);
        break;
    case 80: {
        QByteArray& store = qr ? m_symbols.qrData : pdf ? m_symbols.pdfData : m_symbols.otherData;
        store = data.size() > 3 ? data.sliced(3).toByteArray() : QByteArray();
        detail = QStringLiteral("%1 data, %2 bytes").arg(what).arg(store.size());
        break;
    }
    case 81: {
        note(QStringLiteral("GS ( k  print %1").arg(what));
        StreamGraphic request;
        request.kind = qr    ? StreamGraphic::Kind::QrCode
                       : pdf ? StreamGraphic::Kind::Pdf417
                             : StreamGraphic::Kind::Barcode;
        request.symbology = what;
        request.drawnAs = qr ? opos::PTR_BCS_QRCODE : pdf ? opos::PTR_BCS_PDF417 : 0;
        request.data = qr ? m_symbols.qrData : pdf ? m_symbols.pdfData : m_symbols.otherData;
        request.moduleWidth = qr ? m_symbols.qrModule : m_symbols.pdfModule;
        request.errorLevel = qr ? m_symbols.qrLevel : m_symbols.pdfLevel;
        request.align = m_style.align;
        printGraphic(request);
        return;
    }
    default:
        detail = QStringLiteral("%1 function %2").arg(what).arg(fn);
        break;
    }
    note(QStringLiteral("GS ( k  ") + detail);
}

// GS ( L and GS 8 L: m fn ...; 112 stores a raster image in the print buffer, 50 prints it.
void EscPosInterpreter::graphicsCommand(QByteArrayView data, qint64 total, bool kept)
{
    const int fn = arg(data, 1);
    if (fn == 112 || fn == 113) {
        StreamGraphic image;
        image.width = arg(data, 6) + 256 * arg(data, 7);
        image.height = arg(data, 8) + 256 * arg(data, 9);
        image.bits = kept ? StreamGraphic::Bits::Raster : StreamGraphic::Bits::None;
        if (kept && data.size() > 10)
            image.pixels = data.sliced(10).toByteArray();
        m_symbols.stored = image;
        note(QStringLiteral("GS ( L  store graphics %1 x %2 dots%3")
                 .arg(image.width)
                 .arg(image.height)
                 .arg(kept ? QString() : QStringLiteral(", too large to keep: not drawn")));
    } else if (fn == 50 || fn == 2) {
        note(QStringLiteral("GS ( L  print stored graphics"));
        if (m_symbols.stored)
            printGraphic(*std::exchange(m_symbols.stored, std::nullopt));
    } else {
        note(QStringLiteral("GS ( L  graphics function %1, %2 bytes").arg(fn).arg(total));
    }
}

void EscPosInterpreter::printGraphic(StreamGraphic request)
{
    request.align = m_style.align;
    if (m_column > 0 || !m_text.isEmpty())
        push(Kind::NewLine);
    endText();
    m_column = 0;
    const DrawnGraphic drawn = drawGraphic(request, receipt_image::kDotsAcross);
    if (drawn.graphic) {
        flush();
        m_device.printGraphic(*drawn.graphic, m_fontB ? 64 : 48);
        return;
    }
    if (!drawn.failure.isEmpty())
        note(QStringLiteral("not drawn: ") + drawn.failure);
    for (auto& segment : placeholderSegments(request))
        m_segments.push_back(std::move(segment));
}

void EscPosInterpreter::cut(bool full, bool feedFirst)
{
    push(feedFirst ? Kind::FeedAndCut : Kind::Cut, full ? 100 : 50);
    ++m_cuts;
    m_cutPending = true;
    flush();
}

void EscPosInterpreter::sendAutomaticStatus(bool always)
{
    if (m_asbMask == 0 || m_state.switchedOff)
        return;
    const auto now = automaticStatus(m_state);
    if (!always && m_lastAsb && *m_lastAsb == now)
        return;
    m_lastAsb = now;
    const QByteArrayView bytes(reinterpret_cast<const char*>(now.data()), 4);
    if (m_output.reply)
        m_output.reply(bytes);
    note(QStringLiteral("automatic status back -> ") + hexBytes(bytes));
}

} // namespace netprinter
