#include "backends/sim/ClaimWaiter.h"

#include "opos/OposConstants.h"

#include <algorithm>

namespace sim {

void ClaimWakers::add(opos::Waiter* waiter)
{
    const std::lock_guard lock(m_mutex);
    m_waiters.push_back(waiter);
}

void ClaimWakers::remove(opos::Waiter* waiter)
{
    const std::lock_guard lock(m_mutex);
    if (const auto found = std::find(m_waiters.begin(), m_waiters.end(), waiter);
        found != m_waiters.end())
        m_waiters.erase(found);
}

void ClaimWakers::wakeAll()
{
    std::vector<opos::Waiter*> waiting;
    {
        const std::lock_guard lock(m_mutex);
        waiting = m_waiters;
    }
    for (auto* waiter : waiting)
        waiter->wake();
}

opos::DeviceResult claimFor(std::mutex& mutex, const void*& holder, const void* claimant,
                            int32_t timeoutMs, const ClaimWait& wait, const bool* heldElsewhere)
{
    bool taken = false;
    const auto tryTake = [&] {
        if (wait.stop && *wait.stop)
            return true;
        const std::lock_guard lock(mutex);
        if ((heldElsewhere && *heldElsewhere) || (holder && holder != claimant))
            return false;
        holder = claimant;
        taken = true;
        return true;
    };
    const QDeadlineTimer deadline =
        timeoutMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(timeoutMs);
    wait.wakers.add(&wait.waiter);
    const auto outcome = wait.waiter.wait(wait.what, deadline, tryTake);
    wait.wakers.remove(&wait.waiter);
    if (taken)
        return {};
    if (outcome == opos::Waiter::Outcome::Cancelled)
        return opos::cancelledWait(wait.what);
    return {opos::OPOS_E_TIMEOUT, 0, QStringLiteral("The device is held by another application")};
}

bool releaseFor(std::mutex& mutex, const void*& holder, const void* claimant, ClaimWakers& wakers)
{
    {
        const std::lock_guard lock(mutex);
        if (holder != claimant)
            return false;
        holder = nullptr;
    }
    wakers.wakeAll();
    return true;
}

} // namespace sim
