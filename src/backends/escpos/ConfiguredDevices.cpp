#include "backends/escpos/ConfiguredDevices.h"

#include "backends/escpos/DeviceFile.h"

namespace escpos {

ConfiguredDeviceList listConfiguredDevices(const QString& path)
{
    ConfiguredDeviceList list;
    try {
        for (const DeviceFile::Entry& entry : DeviceFile(path).entries())
            list.devices.append({entry.name, entry.settings.deviceClass, entry.address});
    } catch (const std::exception& error) {
        list.devices.clear();
        list.error = QString::fromUtf8(error.what());
    }
    return list;
}

ConfiguredDeviceList listConfiguredDevices()
{
    return listConfiguredDevices(DeviceFile::defaultPath());
}

QString deviceClassName(DeviceClass deviceClass)
{
    switch (deviceClass) {
    case DeviceClass::PosPrinter:
        return QStringLiteral("PosPrinter");
    case DeviceClass::CashDrawer:
        return QStringLiteral("CashDrawer");
    case DeviceClass::LineDisplay:
        return QStringLiteral("LineDisplay");
    }
    return {};
}

} // namespace escpos
