#include "backends/escpos/DisplayCommands.h"

#include "backends/escpos/EscPosTranslator.h"
#include "opos/OposConstants.h"

namespace escpos {

DisplayCommands::DisplayCommands(const DisplaySettings& settings)
    : m_settings(settings), m_encoder(settings.characterSet)
{}

QByteArray DisplayCommands::initialise()
{
    const bool epson = m_settings.commands == DisplayCommandSet::Epson;
    const char table = static_cast<char>(m_settings.codeTables.value(m_settings.characterSet));
    QByteArray out = bytes({ESC, '@'});
    out += epson ? bytes({US, 0x01}) : bytes({ESC, 0x11});
    out += epson ? bytes({ESC, 't', table}) : bytes({ESC, 'f', table});
    if (m_settings.brightness > 0) {
        const char level = static_cast<char>(m_settings.brightness);
        out += epson ? bytes({US, 'X', level}) : bytes({ESC, '*', level});
    }
    return out;
}

QByteArray DisplayCommands::clear() const
{
    return bytes({0x0C});
}

QByteArray DisplayCommands::moveCursor(int column, int row) const
{
    const char x = static_cast<char>(column);
    const char y = static_cast<char>(row);
    return m_settings.commands == DisplayCommandSet::Epson ? bytes({US, '$', x, y})
                                                           : bytes({ESC, 'l', x, y});
}

QByteArray DisplayCommands::blink(bool on) const
{
    // Only the Epson-style set has a blink command: US E n, n in units of 50 ms.
    if (m_settings.commands != DisplayCommandSet::Epson)
        return {};
    return bytes({US, 'E', on ? '\x0A' : '\x00'});
}

QByteArray DisplayCommands::showWindow(const QStringList& rows, int32_t attribute)
{
    const bool blinking =
        attribute == opos::DISP_DT_BLINK || attribute == opos::DISP_DT_BLINK_REVERSE;
    QByteArray out = blink(blinking);
    for (int row = 0; row < m_settings.rows; ++row) {
        const QString text = rows.value(row)
                                 .left(m_settings.columns)
                                 .leftJustified(m_settings.columns, QLatin1Char(' '));
        out += moveCursor(1, row + 1);
        m_encoder.encodeTo(out, text);
    }
    return out;
}

} // namespace escpos
