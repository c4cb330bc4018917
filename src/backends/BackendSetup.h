#pragma once

namespace opos {
class DeviceRegistry;
}
namespace sim {
class SimulatedDevices;
}

// Makes every kind of device known to the registry: the simulated devices by their logical
// names, and real devices by address or by an entry of the user's device file.
void addDefaultBackends(opos::DeviceRegistry& registry, sim::SimulatedDevices& simulated);
