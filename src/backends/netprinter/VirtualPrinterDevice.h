#pragma once

#include "opos/GraphicRequest.h"
#include "opos/PrintDataParser.h"

#include <QByteArray>
#include <array>
#include <cstdint>
#include <vector>

namespace sim {
class SimulatedPrinter;
class SimulatedCashDrawer;
} // namespace sim

namespace netprinter {

// The switches and sensors of the simulated printer and its drawer at one moment.
struct DeviceSnapshot
{
    bool coverOpen = false;
    bool paperNearEnd = false;
    bool paperEmpty = false;
    bool offline = false;     // switched offline (powered, answering)
    bool switchedOff = false; // no power: answers nothing, loses what it receives
    bool drawerOpen = false;  // the drawer's sensor: pin 3 high when open
    friend bool operator==(const DeviceSnapshot&, const DeviceSnapshot&) = default;

    // It prints what it receives now; otherwise it holds it until it can.
    bool canPrint() const { return !coverOpen && !paperEmpty && !offline && !switchedOff; }
};

// The status bytes a printer in this state answers, bit for bit as ESC/POS defines them.
uint8_t realTimeStatus(int n, const DeviceSnapshot& s); // DLE EOT n (1 to 4)
uint8_t transmitStatus(int n, const DeviceSnapshot& s); // GS r n (1 paper, 2 drawer)
std::array<uint8_t, 4> automaticStatus(const DeviceSnapshot& s);
// GS I n: the printer ID, or nothing for an n the printer does not know.
QByteArray printerId(int n);

// The simulated printer and drawer as the network printer sees them: one shared state with
// the virtual devices window and the control objects. Thread-safe, as the devices are.
class VirtualPrinterDevice
{
public:
    VirtualPrinterDevice(sim::SimulatedPrinter& printer, sim::SimulatedCashDrawer& drawer);

    DeviceSnapshot snapshot() const;
    void print(const std::vector<opos::PrintSegment>& segments, int lineChars);
    void printGraphic(const opos::GraphicRequest& graphic, int lineChars);
    void pulseDrawer();

    sim::SimulatedPrinter& printer() const { return m_printer; }
    sim::SimulatedCashDrawer& drawer() const { return m_drawer; }

private:
    sim::SimulatedPrinter& m_printer;
    sim::SimulatedCashDrawer& m_drawer;
};

} // namespace netprinter
