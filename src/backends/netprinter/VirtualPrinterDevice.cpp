#include "backends/netprinter/VirtualPrinterDevice.h"

#include "backends/sim/SimulatedCompanions.h"
#include "backends/sim/SimulatedPrinter.h"

namespace netprinter {

namespace {

uint8_t bitIf(bool condition, int bit)
{
    return condition ? static_cast<uint8_t>(1u << bit) : 0;
}

// Offline as the printer reports it: it will not print now.
bool reportsOffline(const DeviceSnapshot& s)
{
    return s.offline || s.coverOpen || s.paperEmpty;
}

} // namespace

uint8_t realTimeStatus(int n, const DeviceSnapshot& s)
{
    // Every reply has the pattern 0xx1xx10.
    constexpr uint8_t base = 0x12;
    switch (n) {
    case 1:
        return base | bitIf(s.drawerOpen, 2) | bitIf(reportsOffline(s), 3);
    case 2:
        return base | bitIf(s.coverOpen, 2) | bitIf(s.paperEmpty, 5);
    case 3:
        return base; // no cutter, mechanical or head error is simulated
    case 4:
        return base | (s.paperNearEnd ? 0x0C : 0) | (s.paperEmpty ? 0x60 : 0);
    default:
        return base;
    }
}

uint8_t transmitStatus(int n, const DeviceSnapshot& s)
{
    // Pattern 0xx0xxxx: bits 0-1 paper near end, 2-3 paper end; or bit 0 the drawer pin.
    if (n == 2 || n == 50)
        return bitIf(s.drawerOpen, 0); // pin 3 high, as DLE EOT 1 reports it
    return (s.paperNearEnd ? 0x03 : 0) | (s.paperEmpty ? 0x0C : 0);
}

std::array<uint8_t, 4> automaticStatus(const DeviceSnapshot& s)
{
    return {static_cast<uint8_t>(0x10 | bitIf(s.drawerOpen, 2) | bitIf(reportsOffline(s), 3) |
                                 bitIf(s.coverOpen, 5)),
            0x00, static_cast<uint8_t>((s.paperNearEnd ? 0x03 : 0) | (s.paperEmpty ? 0x0C : 0)),
            0x00};
}

QByteArray printerId(int n)
{
    switch (n) {
    case 1:
    case 49:
        return QByteArray(1, '\x20'); // model
    case 2:
    case 50:
        return QByteArray(1, '\x02'); // type: autocutter, no multi-byte characters
    case 3:
    case 51:
        return QByteArray(1, '\x01'); // firmware version
    case 65:
        return QByteArrayLiteral("_1.00\0");
    case 66:
        return QByteArrayLiteral("_Quenta\0");
    case 67:
        return QByteArrayLiteral("_Virtual receipt printer\0");
    case 68:
        return QByteArrayLiteral("_SIM000001\0");
    default:
        return {};
    }
}

VirtualPrinterDevice::VirtualPrinterDevice(sim::SimulatedPrinter& printer,
                                           sim::SimulatedCashDrawer& drawer)
    : m_printer(printer), m_drawer(drawer)
{}

DeviceSnapshot VirtualPrinterDevice::snapshot() const
{
    const opos::PrinterStatus status = m_printer.status();
    DeviceSnapshot s;
    s.coverOpen = status.coverOpen;
    s.paperNearEnd = status.receiptPaper == opos::PaperState::NearEnd;
    s.paperEmpty = status.receiptPaper == opos::PaperState::Empty;
    s.switchedOff =
        status.power == opos::PowerState::Off || status.power == opos::PowerState::OffOffline;
    s.offline = status.power == opos::PowerState::Offline;
    s.drawerOpen = m_drawer.isOpen();
    return s;
}

void VirtualPrinterDevice::print(const std::vector<opos::PrintSegment>& segments, int lineChars)
{
    m_printer.printOnRoll(segments, lineChars);
}

void VirtualPrinterDevice::printGraphic(const opos::GraphicRequest& graphic, int lineChars)
{
    m_printer.printGraphicOnRoll(graphic, lineChars);
}

void VirtualPrinterDevice::pulseDrawer()
{
    m_drawer.kick();
}

} // namespace netprinter
