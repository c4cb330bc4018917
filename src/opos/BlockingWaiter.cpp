#include "opos/Waiter.h"

namespace opos {

Waiter::Outcome BlockingWaiter::wait(const QString& /*what*/, QDeadlineTimer deadline,
                                     const std::function<bool()>& ready)
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        const Bound limit = bound(deadline);
        if (limit.cancelled)
            return Outcome::Cancelled;
        if (ready())
            return Outcome::Ready;
        if (limit.deadline.hasExpired())
            return Outcome::TimedOut;
        if (limit.deadline.isForever())
            m_woken.wait(lock);
        else
            m_woken.wait_for(lock, std::chrono::nanoseconds(limit.deadline.remainingTimeNSecs()));
    }
}

void BlockingWaiter::wake()
{
    // Taking the lock orders this wake after a waiter's check of ready(), so none is lost.
    {
        const std::lock_guard lock(m_mutex);
    }
    m_woken.notify_all();
}

} // namespace opos
