#pragma once

#include "opos/PrintDataParser.h"
#include "opos/TextEncoder.h"

#include <QByteArray>
#include <initializer_list>

namespace escpos {

// The control bytes that start ESC/POS commands.
inline constexpr char ESC = 0x1B;
inline constexpr char GS = 0x1D;
inline constexpr char DLE = 0x10;
inline constexpr char US = 0x1F;

// A command's bytes, as written: bytes({ESC, 'a', 1}).
inline QByteArray bytes(std::initializer_list<char> list)
{
    return QByteArray(list.begin(), static_cast<qsizetype>(list.size()));
}

// ESC/POS command bytes.
namespace cmd {
QByteArray initialise();
QByteArray codeTable(int table);
QByteArray cut(bool full, int feed); // feed to the blade, then cut
QByteArray drawerPulse(int pin, int onMs, int offMs);
QByteArray transmitPaperStatus(); // answered after the data before it
QByteArray realTimeStatus(int n);
QByteArray font(bool small);
} // namespace cmd

// Turns print data (text with ESC|... sequences) into ESC/POS bytes, text encoded for the
// current character set. Only changes of the printer's modes are sent; a call that switched
// bold, underline, reverse, size or alignment on ends by switching them off again, so that the
// next call starts normal without an initialise that would also reset the code table. What the
// printer cannot do (italic, bitmaps, logos, bar codes, reverse feed) is left out.
class EscPosTranslator
{
public:
    explicit EscPosTranslator(int cutFeed);
    QByteArray translate(QStringView data, opos::TextEncoder& encoder);
    // The printer was initialised: its modes and ours are back to normal.
    void reset();

private:
    void translateSegments(const std::vector<opos::PrintSegment>& segments,
                           opos::TextEncoder& encoder, QByteArray& out);
    void applyStyle(const opos::TextStyle& style, QByteArray& out);

    int m_cutFeed;
    opos::PrintDataParser m_parser;
    opos::TextStyle m_printer; // the modes the printer is in
};

} // namespace escpos
