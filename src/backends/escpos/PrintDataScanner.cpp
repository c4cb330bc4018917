#include "backends/escpos/PrintDataScanner.h"

namespace escpos {

namespace {

constexpr char16_t kEsc = 0x1B;
constexpr int kNumberLimit = 1000000; // larger numbers are clamped, never overflow

bool isLower(QChar c)
{
    return c >= QLatin1Char('a') && c <= QLatin1Char('z');
}

bool isUpper(QChar c)
{
    return c >= QLatin1Char('A') && c <= QLatin1Char('Z');
}

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

} // namespace

void scanPrintData(QStringView data, PrintDataSink& sink)
{
    qsizetype textStart = 0;
    qsizetype i = 0;
    const auto flushText = [&](qsizetype end) {
        if (end > textStart)
            sink.text(data.sliced(textStart, end - textStart));
    };
    while (i < data.size()) {
        const QChar c = data[i];
        if (c == QLatin1Char('\r') && i + 1 < data.size() && data[i + 1] == QLatin1Char('\n')) {
            flushText(i);
            textStart = ++i;
            continue;
        }
        if (c != kEsc || i + 1 >= data.size() || data[i + 1] != QLatin1Char('|')) {
            ++i;
            continue;
        }
        flushText(i);
        qsizetype j = i + 2;
        EscapeSequence sequence;
        if (j < data.size() && data[j] == QLatin1Char('!')) {
            sequence.off = true;
            ++j;
        }
        if (j < data.size() && isDigit(data[j])) {
            int number = 0;
            while (j < data.size() && isDigit(data[j])) {
                number = std::min(kNumberLimit, number * 10 + data[j].digitValue());
                ++j;
            }
            sequence.number = number;
        }
        const qsizetype lettersStart = j;
        while (j < data.size() && isLower(data[j]))
            ++j;
        sequence.letters = data.sliced(lettersStart, j - lettersStart).toString();
        if (j < data.size() && isUpper(data[j])) {
            sequence.command = data[j++];
            if (sequence.command == QLatin1Char('E') && sequence.letters.isEmpty() &&
                !sequence.off) {
                const qsizetype count =
                    std::min<qsizetype>(sequence.number.value_or(0), data.size() - j);
                sink.raw(data.sliced(j, count));
                j += count;
            } else {
                sink.sequence(sequence);
            }
        }
        i = textStart = j;
    }
    flushText(i);
}

} // namespace escpos
