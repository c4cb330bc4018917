#pragma once

#include "opos/PrinterBackend.h"

#include <cstdint>
#include <vector>

namespace opos {

// The StatusUpdateEvent codes a change of the printer's status gives, in a fixed order: cover,
// receipt paper, power. powerReporting is CapPowerReporting when PowerNotify is enabled, else
// OPOS_PR_NONE (no power events).
std::vector<int32_t> statusUpdateEvents(const PrinterStatus& before, const PrinterStatus& after,
                                        int32_t powerReporting);

// Which state a StatusUpdateEvent code reports (1 cover, 2 receipt paper, 3 power), so that
// events of one kind can be folded into the newest; 0 for the others.
int statusUpdateKind(int32_t data);

// PowerState as a device with this power reporting shows it (OPOS_PS_UNKNOWN without any).
int32_t powerStateValue(PowerState power, int32_t powerReporting);

} // namespace opos
