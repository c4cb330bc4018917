#pragma once

#include <QString>

namespace opos {
class DeviceRegistry;
}

namespace escpos {

// Makes real devices known to the registry: names that are device addresses, and the entries
// of the device file (by default $XDG_CONFIG_HOME/opos-printer-test/devices.ini).
void addResolvers(opos::DeviceRegistry& registry);
void addResolvers(opos::DeviceRegistry& registry, const QString& deviceFilePath);

} // namespace escpos
