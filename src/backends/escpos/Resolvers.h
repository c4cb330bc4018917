#pragma once

#include "backends/escpos/DeviceTransport.h"

#include <QString>

namespace opos {
class DeviceRegistry;
}

namespace escpos {

// Makes real devices known to the registry: names that are device addresses, and the entries
// of the device file (by default $XDG_CONFIG_HOME/opos-printer-test/devices.ini).
void addResolvers(opos::DeviceRegistry& registry);
// Waits inside device calls go through the registry's waiter. `factory` makes the transports
// (tests give one that fails on cue).
void addResolvers(opos::DeviceRegistry& registry, const QString& deviceFilePath,
                  TransportFactory factory = makeTransport);

} // namespace escpos
