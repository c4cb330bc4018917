#pragma once

#include <cstdint>
#include <functional>

namespace sim {

// Takes a simulated device for a claim: tryTake() is asked at once and then every few
// milliseconds until it succeeds or timeoutMs has passed (-1: no limit). The wait runs a local
// event loop, so the window stays alive and a person can let the device go meanwhile.
bool waitToTake(const std::function<bool()>& tryTake, int32_t timeoutMs);

} // namespace sim
