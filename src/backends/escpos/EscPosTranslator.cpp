#include "backends/escpos/EscPosTranslator.h"

#include <algorithm>

namespace escpos {

namespace {

constexpr char ESC = 0x1B;
constexpr char GS = 0x1D;
constexpr char DLE = 0x10;

char byteOf(int value)
{
    return static_cast<char>(std::clamp(value, 0, 255));
}

QByteArray bytes(std::initializer_list<char> list)
{
    return QByteArray(list.begin(), static_cast<qsizetype>(list.size()));
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
    return bytes({GS, 'r', '\x01'});
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

EscPosTranslator::EscPosTranslator(TextEncoder& encoder, int cutFeed)
    : m_encoder(encoder), m_cutFeed(cutFeed)
{}

QByteArray EscPosTranslator::translate(QStringView data)
{
    m_out.clear();
    m_out.reserve(data.size() + 8);
    scanPrintData(data, *this);
    return std::exchange(m_out, {});
}

void EscPosTranslator::text(QStringView text)
{
    m_encoder.encodeTo(m_out, text);
}

void EscPosTranslator::raw(QStringView bytes)
{
    for (const QChar c : bytes)
        m_out.append(c.unicode() <= 0xFF ? static_cast<char>(c.unicode()) : '?');
}

void EscPosTranslator::sequence(const EscapeSequence& s)
{
    const QString& letters = s.letters;
    const int n = s.number.value_or(-1);
    switch (s.command.unicode()) {
    case u'P': // cut n percent; none or 100 is a full cut
        if (letters.isEmpty())
            m_out.append(bytes({GS, 'V', n < 0 || n >= 100 ? '\x00' : '\x01'}));
        else if (letters == QLatin1String("f"))
            m_out.append(cmd::cut(n < 0 || n >= 100, m_cutFeed));
        break;
    case u'F':
        if (letters == QLatin1String("l"))
            m_out.append(bytes({ESC, 'd', byteOf(std::max(n, 1))}));
        else if (letters == QLatin1String("u"))
            m_out.append(bytes({ESC, 'J', byteOf(std::max(n, 1))}));
        break;
    case u'C':
        if (letters == QLatin1String("b"))
            m_out.append(bytes({ESC, 'E', s.off ? '\x00' : '\x01'}));
        else if (letters == QLatin1String("u"))
            m_out.append(bytes({ESC, '-', s.off ? '\x00' : (n >= 2 ? '\x02' : '\x01')}));
        else if (letters == QLatin1String("rv"))
            m_out.append(bytes({GS, 'B', s.off ? '\x00' : '\x01'}));
        else if (letters.isEmpty() && n >= 1 && n <= 4)
            m_out.append(bytes({GS, '!', "\x00\x10\x01\x11"[n - 1]}));
        break;
    case u'A':
        if (letters == QLatin1String("l"))
            m_out.append(bytes({ESC, 'a', '\x00'}));
        else if (letters == QLatin1String("c"))
            m_out.append(bytes({ESC, 'a', '\x01'}));
        else if (letters == QLatin1String("r"))
            m_out.append(bytes({ESC, 'a', '\x02'}));
        break;
    case u'N':
        if (letters.isEmpty())
            m_out.append(bytes({ESC, 'E', '\x00', ESC, '-', '\x00', GS, 'B', '\x00', GS, '!',
                                '\x00', ESC, 'a', '\x00'}));
        break;
    default:
        break;
    }
}

} // namespace escpos
