#include "backends/sim/ClaimWaiter.h"

#include "opos/OposConstants.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace sim {

bool waitToTake(const std::function<bool()>& tryTake, int32_t timeoutMs, const bool* stop)
{
    if (tryTake())
        return true;
    if (timeoutMs == 0)
        return false;
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&loop, &clock, &tryTake, timeoutMs, stop] {
        if (stop && *stop)
            loop.exit(0);
        else if (tryTake())
            loop.exit(1);
        else if (timeoutMs > 0 && clock.elapsed() >= timeoutMs)
            loop.exit(0);
    });
    poll.start();
    return loop.exec() == 1;
}

opos::DeviceResult claimFor(std::mutex& mutex, const void*& holder, const void* claimant,
                            int32_t timeoutMs, const bool* heldElsewhere, const bool* stop)
{
    const bool taken = waitToTake(
        [&mutex, &holder, claimant, heldElsewhere] {
            const std::lock_guard lock(mutex);
            if ((heldElsewhere && *heldElsewhere) || (holder && holder != claimant))
                return false;
            holder = claimant;
            return true;
        },
        timeoutMs, stop);
    if (taken)
        return {};
    return {opos::OPOS_E_TIMEOUT, 0, QStringLiteral("The device is held by another application")};
}

bool releaseFor(std::mutex& mutex, const void*& holder, const void* claimant)
{
    const std::lock_guard lock(mutex);
    if (holder != claimant)
        return false;
    holder = nullptr;
    return true;
}

} // namespace sim
