#include "backends/BackendSetup.h"

#include "backends/escpos/Resolvers.h"
#include "backends/sim/SimulatedDevices.h"
#include "opos/DeviceRegistry.h"

void addDefaultBackends(opos::DeviceRegistry& registry, sim::SimulatedDevices& simulated)
{
    simulated.registerWith(registry);
    escpos::addResolvers(registry);
}
