#include "opos/PrintDataParser.h"

namespace opos {

namespace {

constexpr char16_t kEsc = 0x1B;

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool isLower(QChar c)
{
    return c >= u'a' && c <= u'z';
}

bool isUpper(QChar c)
{
    return c >= u'A' && c <= u'Z';
}

void appendText(std::vector<PrintSegment>& out, QStringView text, const TextStyle& style)
{
    if (out.empty() || out.back().kind != PrintSegment::Kind::Text || !(out.back().style == style))
        out.push_back({PrintSegment::Kind::Text, {}, 0, style});
    out.back().text.append(text);
}

// Characters that print as they are: everything from the space on, and the tab.
bool printsAsIs(QChar c)
{
    return c >= u' ' || c == u'\t';
}

// Normal print-line characteristics, keeping the print-mode ones.
TextStyle normalLine(const TextStyle& style)
{
    TextStyle normal;
    normal.typeface = style.typeface;
    return normal;
}

} // namespace

std::vector<PrintSegment> PrintDataParser::parse(QStringView data)
{
    m_style = normalLine(m_style);
    std::vector<PrintSegment> out;
    const qsizetype size = data.size();
    qsizetype i = 0;
    while (i < size) {
        const QChar c = data[i];
        if (c == u'\n') {
            out.push_back({PrintSegment::Kind::NewLine, {}, 0, m_style});
            ++i;
            continue;
        }
        if (c != QChar(kEsc)) {
            // A run of plain text goes in whole; other control characters, CR included, print
            // nothing.
            qsizetype end = i;
            while (end < size && printsAsIs(data[end]))
                ++end;
            if (end == i) {
                ++i;
                continue;
            }
            appendText(out, data.sliced(i, end - i), m_style);
            i = end;
            continue;
        }
        if (i + 1 >= size || data[i + 1] != u'|') {
            ++i;
            continue;
        }
        qsizetype p = i + 2;
        const bool off = p < size && data[p] == u'!';
        if (off)
            ++p;
        const qsizetype numberStart = p;
        while (p < size && isDigit(data[p]) && p - numberStart < 9)
            ++p;
        const bool hasNumber = p > numberStart;
        const int number = hasNumber ? data.sliced(numberStart, p - numberStart).toInt() : 0;
        const qsizetype lettersStart = p;
        while (p < size && isLower(data[p]))
            ++p;
        if (p >= size || !isUpper(data[p])) {
            i += 2; // not a sequence: drop ESC '|' and print the rest as text
            continue;
        }
        const QStringView letters = data.sliced(lettersStart, p - lettersStart);
        const QChar command = data[p];
        i = p + 1;
        if (command == u'E' && letters.isEmpty() && !off) {
            const qsizetype count = std::min<qsizetype>(number, size - i);
            out.push_back({PrintSegment::Kind::Raw, data.sliced(i, count).toString(), 0, m_style});
            i += count;
            continue;
        }
        apply(off, number, hasNumber, letters, command, out);
    }
    m_style = normalLine(m_style);
    return out;
}

void PrintDataParser::apply(bool off, int number, bool hasNumber, QStringView letters,
                            QChar command, std::vector<PrintSegment>& out)
{
    using Kind = PrintSegment::Kind;
    auto action = [&](Kind kind, int value) { out.push_back({kind, {}, value, m_style}); };
    const char16_t cmd = command.unicode();
    if (off) {
        if (cmd != u'C')
            return;
        if (letters == u"b")
            m_style.bold = false;
        else if (letters == u"u")
            m_style.underline = 0;
        else if (letters == u"i")
            m_style.italic = false;
        else if (letters == u"rv")
            m_style.reverse = false;
        return;
    }
    switch (cmd) {
    case u'P':
        if (letters.isEmpty())
            action(Kind::Cut, hasNumber ? number : 100);
        else if (letters == u"f")
            action(Kind::FeedAndCut, hasNumber ? number : 100);
        return;
    case u'F':
        if (letters == u"l")
            action(Kind::FeedLines, hasNumber ? number : 1);
        else if (letters == u"r")
            action(Kind::ReverseFeed, hasNumber ? number : 1);
        return;
    case u'B':
        if (letters.isEmpty() && hasNumber)
            action(Kind::Bitmap, number);
        return;
    case u'L':
        if (letters == u"t")
            action(Kind::TopLogo, 0);
        else if (letters == u"b")
            action(Kind::BottomLogo, 0);
        return;
    case u'R':
        if (letters.isEmpty())
            action(Kind::BarCode, number);
        return;
    case u'N':
        if (letters.isEmpty() && !hasNumber)
            m_style = normalLine(m_style);
        return;
    case u'A':
        if (letters == u"c")
            m_style.align = Alignment::Centre;
        else if (letters == u"r")
            m_style.align = Alignment::Right;
        else if (letters == u"l")
            m_style.align = Alignment::Left;
        return;
    case u'T':
        if (letters == u"f" && hasNumber)
            m_style.typeface = number;
        return;
    case u'C':
        if (letters == u"b") {
            m_style.bold = true;
        } else if (letters == u"u") {
            m_style.underline = hasNumber ? std::max(number, 1) : 1;
        } else if (letters == u"i") {
            m_style.italic = true;
        } else if (letters == u"rv") {
            m_style.reverse = true;
        } else if (letters.isEmpty() && number >= 1 && number <= 4) {
            m_style.doubleWidth = number == 2 || number == 4;
            m_style.doubleHeight = number == 3 || number == 4;
        }
        return;
    default:
        return;
    }
}

} // namespace opos
