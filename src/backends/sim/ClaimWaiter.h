#pragma once

#include "opos/PrinterBackend.h"

#include <cstdint>
#include <functional>
#include <mutex>

namespace sim {

// Takes a simulated device for a claim: tryTake() is asked at once and then every few
// milliseconds until it succeeds, timeoutMs has passed (-1: no limit) or *stop, if given, has
// turned true. The wait runs a local event loop, so the window stays alive and a person can let
// the device go meanwhile.
bool waitToTake(const std::function<bool()>& tryTake, int32_t timeoutMs,
                const bool* stop = nullptr);

// The claim of a simulated device: holder, guarded by mutex, names the claiming backend.
// Taken when nobody else holds it (and *heldElsewhere, if given, is false); else E_TIMEOUT, also
// when *stop ends the wait early. mutex, holder and heldElsewhere must outlive the wait (they
// live in the device's shared core).
opos::DeviceResult claimFor(std::mutex& mutex, const void*& holder, const void* claimant,
                            int32_t timeoutMs, const bool* heldElsewhere = nullptr,
                            const bool* stop = nullptr);
// Lets go of the claim if claimant holds it; true when it did.
bool releaseFor(std::mutex& mutex, const void*& holder, const void* claimant);

} // namespace sim
