#include "backends/escpos/EscPosTranslator.h"

#include <algorithm>

namespace escpos {

namespace {

char byteOf(int value)
{
    return static_cast<char>(std::clamp(value, 0, 255));
}

} // namespace

namespace cmd {

QByteArray initialise()
{
    return bytes({ESC, '@'});
}

QByteArray codeTable(int table)
{
    return bytes({ESC, 't', byteOf(table)});
}

QByteArray cut(bool full, int feed)
{
    return bytes({GS, 'V', full ? 'A' : 'B', byteOf(feed)});
}

QByteArray drawerPulse(int pin, int onMs, int offMs)
{
    // Times go in units of 2 ms.
    return bytes(
        {ESC, 'p', pin == 5 ? '\x01' : '\x00', byteOf((onMs + 1) / 2), byteOf((offMs + 1) / 2)});
}

QByteArray transmitPaperStatus()
{
    return QByteArrayLiteral("\x1d"
                             "r"
                             "\x01");
}

QByteArray realTimeStatus(int n)
{
    return bytes({DLE, '\x04', byteOf(n)});
}

QByteArray font(bool small)
{
    return bytes({ESC, 'M', small ? '\x01' : '\x00'});
}

} // namespace cmd

EscPosTranslator::EscPosTranslator(int cutFeed) : m_cutFeed(cutFeed) {}

void EscPosTranslator::reset()
{
    m_parser.reset();
    m_printer = {};
}

namespace {

// Plain text: no escape sequence and no control character the parser would drop.
bool isPlain(QStringView data)
{
    return std::all_of(data.begin(), data.end(),
                       [](QChar c) { return c.unicode() >= 0x20 || c == u'\n' || c == u'\t'; });
}

} // namespace

QByteArray EscPosTranslator::translate(QStringView data, opos::TextEncoder& encoder)
{
    QByteArray out;
    out.reserve(data.size() + 8);
    if (isPlain(data)) {
        // Most lines are plain text: the parser would return it unchanged in the current modes.
        if (!data.isEmpty())
            applyStyle(m_parser.style(), out);
        encoder.encodeTo(out, data);
        return out;
    }
    translateSegments(m_parser.parse(data), encoder, out);
    applyStyle(m_parser.style(), out); // the call's print-line characteristics end here
    return out;
}

void EscPosTranslator::translateSegments(const std::vector<opos::PrintSegment>& segments,
                                         opos::TextEncoder& encoder, QByteArray& out)
{
    using Kind = opos::PrintSegment::Kind;
    for (const opos::PrintSegment& segment : segments) {
        switch (segment.kind) {
        case Kind::Text:
            applyStyle(segment.style, out);
            encoder.encodeTo(out, segment.text);
            break;
        case Kind::NewLine:
            applyStyle(segment.style, out);
            out.append('\n');
            break;
        case Kind::FeedLines:
            out.append(bytes({ESC, 'd', byteOf(segment.number)}));
            break;
        case Kind::Cut:
            out.append(bytes({GS, 'V', segment.number >= 100 ? '\x00' : '\x01'}));
            break;
        case Kind::FeedAndCut:
            out.append(cmd::cut(segment.number >= 100, m_cutFeed));
            break;
        case Kind::Raw:
            for (const QChar c : segment.text)
                out.append(c.unicode() <= 0xFF ? static_cast<char>(c.unicode()) : '?');
            break;
        case Kind::ReverseFeed:
        case Kind::Bitmap:
        case Kind::TopLogo:
        case Kind::BottomLogo:
        case Kind::BarCode:
            break;
        }
    }
}

void EscPosTranslator::applyStyle(const opos::TextStyle& style, QByteArray& out)
{
    const auto flag = [](bool on) { return on ? '\x01' : '\x00'; };
    if (style.bold != m_printer.bold)
        out.append(bytes({ESC, 'E', flag(style.bold)}));
    if (style.underline != m_printer.underline)
        out.append(bytes({ESC, '-', byteOf(std::min(style.underline, 2))}));
    if (style.reverse != m_printer.reverse)
        out.append(bytes({GS, 'B', flag(style.reverse)}));
    if (style.doubleWidth != m_printer.doubleWidth || style.doubleHeight != m_printer.doubleHeight)
        out.append(bytes(
            {GS, '!', byteOf((style.doubleWidth ? 0x10 : 0) | (style.doubleHeight ? 0x01 : 0))}));
    if (style.align != m_printer.align)
        out.append(bytes({ESC, 'a', byteOf(static_cast<int>(style.align))}));
    m_printer = style;
}

} // namespace escpos
