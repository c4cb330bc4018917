#pragma once

#include "backends/escpos/DeviceSettings.h"
#include "opos/TextEncoder.h"

#include <QByteArray>
#include <QStringList>

namespace escpos {

// The bytes that drive a serial customer display in the Epson-style or CD5220-style command set.
class DisplayCommands
{
public:
    explicit DisplayCommands(const DisplaySettings& settings);

    // Initialise, overwrite mode (no scrolling when the last cell is written), code page and
    // brightness.
    QByteArray initialise();
    // The whole window, row by row from the first column, each row cut or padded to the width.
    QByteArray showWindow(const QStringList& rows, int32_t attribute);
    QByteArray clear() const;

private:
    QByteArray moveCursor(int column, int row) const;
    QByteArray blink(bool on) const;

    DisplaySettings m_settings;
    opos::TextEncoder m_encoder;
};

} // namespace escpos
