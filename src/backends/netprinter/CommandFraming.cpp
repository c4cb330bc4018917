#include "backends/netprinter/CommandFraming.h"

#include <QStringList>
#include <array>

namespace netprinter {

namespace {

constexpr uint8_t DLE = 0x10;
constexpr uint8_t ESC = 0x1B;
constexpr uint8_t FS = 0x1C;
constexpr uint8_t GS = 0x1D;
constexpr int kAny = -1;

// A command of a fixed length, or the fixed part of one that carries data.
struct Entry
{
    uint8_t first;
    int second; // kAny: the first byte alone decides
    int third;  // kAny: the third byte does not decide
    qsizetype length;
    PayloadRule rule;
    const char* name;
};

using R = PayloadRule;

constexpr std::array kEntries{
    Entry{0x0A, kAny, kAny, 1, R::None, "print and line feed"},
    Entry{0x0D, kAny, kAny, 1, R::None, "carriage return"},
    Entry{0x09, kAny, kAny, 1, R::None, "horizontal tab"},
    Entry{0x0C, kAny, kAny, 1, R::None, "form feed"},
    Entry{0x18, kAny, kAny, 1, R::None, "cancel page data"},
    Entry{DLE, 0x04, kAny, 3, R::None, "real-time status"},
    Entry{DLE, 0x05, kAny, 3, R::None, "real-time request"},
    Entry{DLE, 0x14, 1, 5, R::None, "real-time drawer pulse"},
    Entry{DLE, 0x14, 2, 5, R::None, "real-time power off"},
    Entry{DLE, 0x14, 3, 5, R::None, "real-time buzzer"},
    Entry{DLE, 0x14, 7, 4, R::None, "real-time status transmission"},
    Entry{DLE, 0x14, 8, 10, R::None, "real-time buffer clear"},
    Entry{ESC, 0x0C, kAny, 2, R::None, "print page data"},
    Entry{ESC, ' ', kAny, 3, R::None, "right-side character spacing"},
    Entry{ESC, '!', kAny, 3, R::None, "print mode"},
    Entry{ESC, '$', kAny, 4, R::None, "absolute print position"},
    Entry{ESC, '%', kAny, 3, R::None, "user-defined characters on/off"},
    Entry{ESC, '&', kAny, 5, R::UserChars, "define user characters"},
    Entry{ESC, '*', kAny, 5, R::BitImage, "bit image"},
    Entry{ESC, '-', kAny, 3, R::None, "underline"},
    Entry{ESC, '2', kAny, 2, R::None, "default line spacing"},
    Entry{ESC, '3', kAny, 3, R::None, "line spacing"},
    Entry{ESC, '<', kAny, 2, R::None, "return home"},
    Entry{ESC, '=', kAny, 3, R::None, "select peripheral"},
    Entry{ESC, '?', kAny, 3, R::None, "cancel user character"},
    Entry{ESC, '@', kAny, 2, R::None, "initialise"},
    Entry{ESC, 'D', kAny, 2, R::UntilNul, "tab positions"},
    Entry{ESC, 'E', kAny, 3, R::None, "emphasis"},
    Entry{ESC, 'G', kAny, 3, R::None, "double strike"},
    Entry{ESC, 'J', kAny, 3, R::None, "print and feed dots"},
    Entry{ESC, 'K', kAny, 3, R::None, "print and reverse feed dots"},
    Entry{ESC, 'L', kAny, 2, R::None, "page mode"},
    Entry{ESC, 'M', kAny, 3, R::None, "character font"},
    Entry{ESC, 'R', kAny, 3, R::None, "international character set"},
    Entry{ESC, 'S', kAny, 2, R::None, "standard mode"},
    Entry{ESC, 'T', kAny, 3, R::None, "page direction"},
    Entry{ESC, 'U', kAny, 3, R::None, "unidirectional printing"},
    Entry{ESC, 'V', kAny, 3, R::None, "90 degree rotation"},
    Entry{ESC, 'W', kAny, 10, R::None, "page area"},
    Entry{ESC, '\\', kAny, 4, R::None, "relative print position"},
    Entry{ESC, 'a', kAny, 3, R::None, "justification"},
    Entry{ESC, 'c', kAny, 4, R::None, "panel and sensor settings"},
    Entry{ESC, 'd', kAny, 3, R::None, "print and feed lines"},
    Entry{ESC, 'e', kAny, 3, R::None, "print and reverse feed lines"},
    Entry{ESC, 'i', kAny, 2, R::None, "partial cut"},
    Entry{ESC, 'm', kAny, 2, R::None, "partial cut"},
    Entry{ESC, 'p', kAny, 5, R::None, "drawer pulse"},
    Entry{ESC, 'r', kAny, 3, R::None, "print colour"},
    Entry{ESC, 't', kAny, 3, R::None, "code table"},
    Entry{ESC, 'u', kAny, 3, R::None, "peripheral status"},
    Entry{ESC, 'v', kAny, 2, R::None, "paper sensor status"},
    Entry{ESC, '{', kAny, 3, R::None, "upside-down printing"},
    Entry{FS, '!', kAny, 3, R::None, "kanji print mode"},
    Entry{FS, '&', kAny, 2, R::None, "kanji mode on"},
    Entry{FS, '-', kAny, 3, R::None, "kanji underline"},
    Entry{FS, '.', kAny, 2, R::None, "kanji mode off"},
    Entry{FS, 'C', kAny, 3, R::None, "kanji code system"},
    Entry{FS, 'S', kAny, 4, R::None, "kanji spacing"},
    Entry{FS, 'W', kAny, 3, R::None, "kanji quadruple size"},
    Entry{FS, 'p', kAny, 4, R::None, "print stored bit image"},
    Entry{GS, '!', kAny, 3, R::None, "character size"},
    Entry{GS, '$', kAny, 4, R::None, "absolute vertical position"},
    Entry{GS, '(', 'k', 5, R::Counted16, "2D symbol"},
    Entry{GS, '(', 'L', 5, R::Counted16, "graphics"},
    Entry{GS, '*', kAny, 4, R::Download, "define downloaded bit image"},
    Entry{GS, '/', kAny, 3, R::None, "print downloaded bit image"},
    Entry{GS, '8', 'L', 7, R::Counted32, "graphics, long form"},
    Entry{GS, ':', kAny, 2, R::None, "macro definition"},
    Entry{GS, 'B', kAny, 3, R::None, "reverse printing"},
    Entry{GS, 'H', kAny, 3, R::None, "barcode text position"},
    Entry{GS, 'I', kAny, 3, R::None, "printer ID"},
    Entry{GS, 'L', kAny, 4, R::None, "left margin"},
    Entry{GS, 'P', kAny, 4, R::None, "motion units"},
    Entry{GS, 'T', kAny, 3, R::None, "print position to line start"},
    Entry{GS, 'V', 0, 3, R::None, "full cut"},
    Entry{GS, 'V', 48, 3, R::None, "full cut"},
    Entry{GS, 'V', 1, 3, R::None, "partial cut"},
    Entry{GS, 'V', 49, 3, R::None, "partial cut"},
    Entry{GS, 'V', 65, 4, R::None, "feed and full cut"},
    Entry{GS, 'V', 66, 4, R::None, "feed and partial cut"},
    Entry{GS, 'V', 97, 4, R::None, "feed and full cut"},
    Entry{GS, 'V', 98, 4, R::None, "feed and partial cut"},
    Entry{GS, 'V', 103, 4, R::None, "full cut and feed"},
    Entry{GS, 'V', 104, 4, R::None, "partial cut and feed"},
    Entry{GS, 'V', kAny, 3, R::None, "cut of an unknown kind"},
    Entry{GS, 'W', kAny, 4, R::None, "print area width"},
    Entry{GS, '\\', kAny, 4, R::None, "relative vertical position"},
    Entry{GS, '^', kAny, 5, R::None, "run macro"},
    Entry{GS, 'a', kAny, 3, R::None, "automatic status back"},
    Entry{GS, 'b', kAny, 3, R::None, "font smoothing"},
    Entry{GS, 'c', kAny, 2, R::None, "print counter"},
    Entry{GS, 'f', kAny, 3, R::None, "barcode text font"},
    Entry{GS, 'g', kAny, 6, R::None, "maintenance counter"},
    Entry{GS, 'h', kAny, 3, R::None, "barcode height"},
    Entry{GS, 'j', kAny, 3, R::None, "automatic status back for ink"},
    Entry{GS, 'k', kAny, 3, R::UntilNul, "barcode"},
    Entry{GS, 'r', kAny, 3, R::None, "transmit status"},
    Entry{GS, 'v', '0', 8, R::Raster, "raster image"},
    Entry{GS, 'w', kAny, 3, R::None, "barcode module width"},
    Entry{GS, 'z', kAny, 5, R::None, "online recovery wait"},
};

uint8_t at(QByteArrayView bytes, qsizetype i)
{
    return static_cast<uint8_t>(bytes[i]);
}

// The data length of a frame whose header is complete.
qint64 payloadOf(QByteArrayView h, PayloadRule rule)
{
    switch (rule) {
    case R::Counted16:
        return at(h, 3) + 256 * at(h, 4);
    case R::Counted32:
        return qint64{at(h, 3)} + (qint64{at(h, 4)} << 8) + (qint64{at(h, 5)} << 16) +
               (qint64{at(h, 6)} << 24);
    case R::BitImage: {
        const qint64 columns = at(h, 3) + 256 * at(h, 4);
        return at(h, 2) >= 32 ? 3 * columns : columns;
    }
    case R::Raster:
        return qint64{at(h, 4) + 256 * at(h, 5)} * (at(h, 6) + 256 * at(h, 7));
    case R::Download:
        return qint64{at(h, 2)} * at(h, 3) * 8;
    case R::CountedByte:
        return at(h, 3);
    case R::None:
    case R::UntilNul:
    case R::UserChars:
        break;
    }
    return 0;
}

} // namespace

Frame frameOf(QByteArrayView bytes)
{
    Frame frame;
    if (bytes.isEmpty())
        return frame;
    const uint8_t first = at(bytes, 0);
    const bool family = first == DLE || first == ESC || first == FS || first == GS;
    if (family && bytes.size() < 2)
        return frame;
    for (const Entry& entry : kEntries) {
        if (entry.first != first)
            continue;
        if (entry.second != kAny && at(bytes, 1) != entry.second)
            continue;
        if (entry.third != kAny) {
            if (bytes.size() < 3)
                return frame;
            if (at(bytes, 2) != entry.third)
                continue;
        }
        frame.rule = entry.rule;
        frame.name = entry.name;
        // A barcode's symbology decides between a NUL-terminated and a counted form.
        qsizetype length = entry.length;
        if (first == GS && at(bytes, 1) == 'k') {
            if (bytes.size() < 3)
                return frame;
            if (at(bytes, 2) >= 65) {
                frame.rule = R::CountedByte;
                length = 4;
            }
        }
        if (bytes.size() < length)
            return frame;
        frame.header = length;
        frame.payload = payloadOf(bytes.first(length), frame.rule);
        return frame;
    }
    frame.known = false;
    frame.name = "unknown";
    if (!family) {
        frame.header = 1;
        return frame;
    }
    // An unknown member of a family with a length field is skipped by that length.
    const uint8_t second = at(bytes, 1);
    if (first != DLE && second == '(') {
        if (bytes.size() < 5)
            return frame;
        frame.header = 5;
        frame.rule = R::Counted16;
        frame.payload = payloadOf(bytes, frame.rule);
        return frame;
    }
    frame.header = first == DLE ? 1 : 2;
    return frame;
}

QString hexBytes(QByteArrayView bytes, qsizetype maxBytes)
{
    QString text = QString::fromLatin1(
        bytes.first(std::min(bytes.size(), maxBytes)).toByteArray().toHex(' ').toUpper());
    if (bytes.size() > maxBytes)
        text += QStringLiteral(" …");
    return text;
}

QString mnemonic(QByteArrayView header)
{
    static constexpr std::array<std::pair<uint8_t, const char*>, 12> names{{{0x0A, "LF"},
                                                                            {0x0D, "CR"},
                                                                            {0x09, "HT"},
                                                                            {0x0C, "FF"},
                                                                            {0x18, "CAN"},
                                                                            {DLE, "DLE"},
                                                                            {ESC, "ESC"},
                                                                            {FS, "FS"},
                                                                            {GS, "GS"},
                                                                            {0x04, "EOT"},
                                                                            {0x05, "ENQ"},
                                                                            {0x14, "DC4"}}};
    QStringList words;
    for (qsizetype i = 0; i < header.size() && i < 10; ++i) {
        const uint8_t byte = at(header, i);
        QString word;
        if (i < 2)
            for (const auto& [code, name] : names)
                if (code == byte)
                    word = QLatin1String(name);
        // The byte that selects the member reads as its character, the arguments as numbers.
        const bool selector =
            i == 1 ||
            (i == 2 && (at(header, 1) == '(' || at(header, 1) == '8' || at(header, 1) == 'v'));
        if (word.isEmpty())
            word = selector && byte > 0x20 && byte < 0x7F ? QString(QLatin1Char(char(byte)))
                                                          : QString::number(byte);
        words << word;
    }
    return words.join(QLatin1Char(' '));
}

} // namespace netprinter
