#pragma once

#include <QString>
#include <QStringView>
#include <optional>

namespace escpos {

// One print-data escape sequence: ESC '|' ['!'] [number] [lower-case letters] UPPER-CASE letter.
struct EscapeSequence
{
    bool off = false;
    std::optional<int> number;
    QString letters;
    QChar command;
};

// Receives print data split into its parts, in order.
class PrintDataSink
{
public:
    virtual ~PrintDataSink() = default;
    virtual void text(QStringView text) = 0; // characters to print, line feeds included
    virtual void sequence(const EscapeSequence& sequence) = 0;
    virtual void raw(QStringView bytes) = 0; // ESC|#E: the next # characters unchanged
};

// Splits print data into text and escape sequences. A CR just before an LF is dropped; a
// broken sequence is dropped up to where it stopped making sense. Kept apart from the ESC/POS
// translation so that another parser of the same grammar can take its place.
void scanPrintData(QStringView data, PrintDataSink& sink);

} // namespace escpos
