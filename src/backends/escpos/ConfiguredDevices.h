#pragma once

#include "backends/escpos/DeviceSettings.h"

#include <QList>
#include <QString>

namespace escpos {

// One device of the device file, as a menu of known devices shows it.
struct ConfiguredDevice
{
    QString logicalName;
    DeviceClass deviceClass = DeviceClass::PosPrinter;
    QString address; // as the file writes it
};

struct ConfiguredDeviceList
{
    QList<ConfiguredDevice> devices; // in the order of the file
    QString error;                   // why the file cannot be used; then devices is empty
};

// The devices of the device file at path, read afresh; an absent file lists nothing. A broken
// file gives the reason that Open would give, naming the file and the line.
ConfiguredDeviceList listConfiguredDevices(const QString& path);
// The same for the device file that Open reads.
ConfiguredDeviceList listConfiguredDevices();

// The name of a device class as the device file writes it: PosPrinter, CashDrawer, LineDisplay.
QString deviceClassName(DeviceClass deviceClass);

} // namespace escpos
