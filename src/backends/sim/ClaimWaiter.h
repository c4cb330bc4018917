#pragma once

#include "opos/PrinterBackend.h"
#include "opos/Waiter.h"

#include <cstdint>
#include <mutex>
#include <vector>

namespace sim {

// The waits of claims for one simulated device, woken whenever it may have become free: a
// holder let go, or another application released it.
class ClaimWakers
{
public:
    void add(opos::Waiter* waiter);
    void remove(opos::Waiter* waiter);
    void wakeAll();

private:
    std::mutex m_mutex;
    std::vector<opos::Waiter*> m_waiters;
};

// What one claim of a simulated device waits with.
struct ClaimWait
{
    opos::Waiter& waiter;
    const QString& what;        // the device's name, shown while the claim waits
    ClaimWakers& wakers;        // of the device
    const bool* stop = nullptr; // set from inside the wait: give up as at the time-out
};

// The claim of a simulated device: holder, guarded by mutex, names the claiming backend.
// Taken when nobody else holds it (and *heldElsewhere, if given, is false), waiting through the
// waiter up to timeoutMs (-1: no limit); else E_TIMEOUT, also when the wait is stopped or the
// person cancels it. mutex, holder and heldElsewhere must outlive the wait (they live in the
// device's shared core).
opos::DeviceResult claimFor(std::mutex& mutex, const void*& holder, const void* claimant,
                            int32_t timeoutMs, const ClaimWait& wait,
                            const bool* heldElsewhere = nullptr);
// Lets go of the claim if claimant holds it, waking claims that wait; true when it did.
bool releaseFor(std::mutex& mutex, const void*& holder, const void* claimant, ClaimWakers& wakers);

} // namespace sim
