#pragma once

#include "backends/escpos/PrintDataScanner.h"
#include "backends/escpos/TextEncoder.h"

#include <QByteArray>

namespace escpos {

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
// current character set. Sequences the printer cannot do (italic, bitmaps, logos, bar codes,
// reverse feed) are left out.
class EscPosTranslator : private PrintDataSink
{
public:
    EscPosTranslator(TextEncoder& encoder, int cutFeed);
    QByteArray translate(QStringView data);

private:
    void text(QStringView text) override;
    void sequence(const EscapeSequence& sequence) override;
    void raw(QStringView bytes) override;

    TextEncoder& m_encoder;
    int m_cutFeed;
    QByteArray m_out;
};

} // namespace escpos
