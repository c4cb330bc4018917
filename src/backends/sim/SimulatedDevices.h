#pragma once

#include "backends/sim/SimulatedCompanions.h"
#include "backends/sim/SimulatedPrinter.h"

#include <QObject>

namespace opos {
class DeviceRegistry;
}

namespace sim {

inline const QString kPrinterName = QStringLiteral("Quenta POS Printer");
inline const QString kCashDrawerName = QStringLiteral("Quenta Cash Drawer");
inline const QString kLineDisplayName = QStringLiteral("Quenta Line Display");

// The simulated devices of one run, known to the registry by their logical names.
class SimulatedDevices : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SimulatedDevices)

public:
    explicit SimulatedDevices(QObject* parent = nullptr);

    SimulatedPrinter& printer() { return m_printer; }
    SimulatedCashDrawer& cashDrawer() { return m_drawer; }
    SimulatedLineDisplay& lineDisplay() { return m_display; }

    void registerWith(opos::DeviceRegistry& registry);

private:
    SimulatedPrinter m_printer;
    SimulatedCashDrawer m_drawer;
    SimulatedLineDisplay m_display;
};

} // namespace sim
