#pragma once

#include <QByteArrayView>
#include <QString>
#include <cstdint>

namespace netprinter {

// How the data after a command's fixed bytes is measured.
enum class PayloadRule
{
    None,
    Counted16,   // pL pH at bytes 3 and 4: GS ( x, ESC ( x, FS ( x
    Counted32,   // p1..p4 at bytes 3 to 6: GS 8 L
    BitImage,    // ESC * m nL nH: nL + 256 nH columns of 1 or 3 bytes
    Raster,      // GS v 0 m xL xH yL yH: x bytes per row, y rows
    Download,    // GS * x y: x * y * 8 bytes
    CountedByte, // GS k m n: n bytes
    UntilNul,    // GS k m (m 0-6), ESC D: data up to and with a NUL
    UserChars,   // ESC & y c1 c2: per character, a width byte and y * width bytes
};

// One command's shape, found from its first bytes.
struct Frame
{
    // Bytes of the fixed part; 0 while more bytes are needed to tell.
    qsizetype header = 0;
    qint64 payload = 0; // bytes of data after the header (Counted*, BitImage, Raster, Download)
    PayloadRule rule = PayloadRule::None;
    bool known = true;
    const char* name = ""; // what the command does, for the transcript
};

// The longest NUL-terminated argument a command takes (GS k data, ESC D tab stops).
inline constexpr qsizetype kMaxNulTerminated = 255;

// The frame of the command at the start of bytes (bytes[0] is a control byte below 0x20).
// A command this printer does not know is framed by what its family declares: its fixed
// length, or the length field of the ( families; anything else is one unknown byte.
Frame frameOf(QByteArrayView bytes);

// "1B 40" for the bytes.
QString hexBytes(QByteArrayView bytes, qsizetype maxBytes = 16);

// "ESC @", "GS ( k": the command's bytes in mnemonics, as manuals write them.
QString mnemonic(QByteArrayView header);

} // namespace netprinter
