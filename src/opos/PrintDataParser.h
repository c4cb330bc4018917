#pragma once

#include <QString>
#include <QStringView>
#include <cstdint>
#include <vector>

namespace opos {

enum class Alignment
{
    Left,
    Centre,
    Right
};

// The character modes that the print-data escape sequences switch. The print-line
// characteristics (everything but the typeface) last to the end of one print call or to ESC|N;
// the typeface is a print-mode characteristic and stays until changed.
struct TextStyle
{
    bool bold = false;
    int underline = 0; // thickness in dots; 0 = off
    bool italic = false;
    bool reverse = false;
    bool doubleWidth = false;
    bool doubleHeight = false;
    Alignment align = Alignment::Left;
    int typeface = 0; // ESC|#fT: index into FontTypefaceList; 0 = the device's default
    friend bool operator==(const TextStyle&, const TextStyle&) = default;
};

// One piece of print data, device-neutral, for any backend to render.
struct PrintSegment
{
    enum class Kind
    {
        Text,        // text: characters to print with style
        NewLine,     // LF: print the line and feed one line
        FeedLines,   // number: lines to feed
        ReverseFeed, // number: lines to feed backwards
        Cut,         // number: percent (100 = full cut)
        FeedAndCut,  // number: percent; feed to the cutter first
        Bitmap,      // number: bitmap number
        TopLogo,
        BottomLogo,
        Raw,     // text: characters to send to the device unchanged
        BarCode, // number: as given in the sequence
    };
    Kind kind = Kind::Text;
    QString text;
    int number = 0;
    TextStyle style; // the modes in effect for Text and NewLine
};

// Splits OPOS print data into segments. Sequences are ESC '|', an optional '!', an optional
// decimal number, optional lower-case letters and one upper-case letter. Unknown or unsupported
// sequences are dropped, as are control characters other than LF and TAB; CR before LF is
// dropped. One parse() is one print call (PrintNormal, PrintImmediate, a buffered call of a
// transaction, a line of a file): it starts with normal print-line characteristics and leaves
// them normal at its end, while the typeface carries over to the next parse() until reset().
class PrintDataParser
{
public:
    std::vector<PrintSegment> parse(QStringView data);
    // The modes in force between calls: normal, in the current typeface.
    const TextStyle& style() const { return m_style; }
    void reset() { m_style = {}; }

private:
    // Applies one sequence: a mode change or an action segment.
    void apply(bool off, int number, bool hasNumber, QStringView letters, QChar command,
               std::vector<PrintSegment>& out);
    TextStyle m_style;
};

} // namespace opos
