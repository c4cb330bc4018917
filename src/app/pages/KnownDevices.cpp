#include "app/pages/KnownDevices.h"

#include "backends/escpos/ConfiguredDevices.h"
#include "backends/escpos/DeviceFile.h"
#include "backends/escpos/DeviceSettings.h"
#include "backends/sim/SimulatedDevices.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <algorithm>

namespace {

DeviceKind kindOf(escpos::DeviceClass deviceClass)
{
    switch (deviceClass) {
    case escpos::DeviceClass::PosPrinter:
        return DeviceKind::Printer;
    case escpos::DeviceClass::CashDrawer:
        return DeviceKind::CashDrawer;
    case escpos::DeviceClass::LineDisplay:
        return DeviceKind::LineDisplay;
    }
    return DeviceKind::Unknown;
}

QList<KnownDevice> simulatedDevices()
{
    const QString simulated = QStringLiteral("simulated");
    return {
        {KnownDevice::Source::Simulated, DeviceKind::Printer, sim::kPrinterName,
         QObject::tr("%1 (simulated)").arg(sim::kPrinterName), simulated},
        {KnownDevice::Source::Simulated, DeviceKind::CashDrawer, sim::kCashDrawerName,
         QObject::tr("%1 (simulated)").arg(sim::kCashDrawerName), simulated},
        {KnownDevice::Source::Simulated, DeviceKind::LineDisplay, sim::kLineDisplayName,
         QObject::tr("%1 (simulated)").arg(sim::kLineDisplayName), simulated},
    };
}

} // namespace

KnownDeviceSources defaultKnownDeviceSources()
{
    return {escpos::DeviceFile::defaultPath(), QStringLiteral("/dev"), [] {
                QList<SerialPortEntry> ports;
                for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts())
                    ports.append({port.systemLocation(), port.description()});
                return ports;
            }};
}

QList<ConfiguredDevice> readConfiguredDevices(const QString& deviceFile)
{
    QList<ConfiguredDevice> devices;
    if (deviceFile.isEmpty())
        return devices;
    // Read by the same strict reader Open uses; a broken file lists nothing, as Open would
    // refuse every name in it.
    for (const escpos::ConfiguredDevice& entry : escpos::listConfiguredDevices(deviceFile).devices)
        devices.append({entry.logicalName, kindOf(entry.deviceClass), entry.address});
    std::sort(devices.begin(), devices.end(),
              [](const ConfiguredDevice& a, const ConfiguredDevice& b) { return a.name < b.name; });
    return devices;
}

QList<KnownDevice> listKnownDevices(const KnownDeviceSources& sources)
{
    QList<KnownDevice> devices;
    for (const ConfiguredDevice& entry : readConfiguredDevices(sources.deviceFile)) {
        devices.append({KnownDevice::Source::DeviceFile, entry.kind, entry.name,
                        QStringLiteral("%1 \u2014 %2").arg(entry.name, entry.address),
                        entry.address});
    }
    const QDir usb(sources.devRoot + QStringLiteral("/usb"));
    for (const QString& file :
         usb.entryList({QStringLiteral("lp*")}, QDir::System | QDir::Files, QDir::Name)) {
        const QString address = QStringLiteral("file://") + usb.absoluteFilePath(file);
        devices.append(
            {KnownDevice::Source::UsbPrinter, DeviceKind::Printer, address, address, address});
    }
    if (sources.serialPorts) {
        for (const SerialPortEntry& port : sources.serialPorts()) {
            const QString address = QStringLiteral("serial://") + port.path;
            const QString label =
                port.description.isEmpty()
                    ? address
                    : QStringLiteral("%1 \u2014 %2").arg(address, port.description);
            devices.append(
                {KnownDevice::Source::SerialPort, DeviceKind::Unknown, address, label, address});
        }
    }
    devices.append(simulatedDevices());
    return devices;
}

QString deviceAddressOf(const QString& name, const KnownDeviceSources& sources)
{
    for (const KnownDevice& device : simulatedDevices()) {
        if (device.value == name)
            return device.address;
    }
    for (const ConfiguredDevice& entry : readConfiguredDevices(sources.deviceFile)) {
        if (entry.name.compare(name, Qt::CaseInsensitive) == 0)
            return entry.address;
    }
    return escpos::isAddress(name) ? name : QString();
}
