#pragma once

#include <QObject>
#include <QString>
#include <cstdint>

class QLabel;
class QStatusBar;
namespace opos {
class PosPrinter;
}

// A permanent field of the status bar (`lblPower`) that shows, while the printer is open, its
// power state ("Power: off"): as PowerState reads at each refresh, and at once when a status
// event reports a change of power. Hidden while the printer is closed.
class PowerStatusField : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PowerStatusField)

public:
    PowerStatusField(QStatusBar& bar, const opos::PosPrinter& printer, QObject* parent = nullptr);

    // Reads the printer's state and PowerState now.
    void refresh();

private:
    void show(int32_t powerState);

    const opos::PosPrinter& m_printer;
    QLabel* m_field;
};

// "on", "off", "offline", "off or offline" or "unknown", for a PowerState or a power status event.
QString powerStateText(int32_t powerState);
