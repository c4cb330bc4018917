#include "backends/sim/PrintPacer.h"

namespace sim {

opos::Waiter::Outcome RealTimePacer::pause(std::chrono::milliseconds duration, std::stop_token stop,
                                           opos::Waiter& waiter, const QString& what)
{
    const std::stop_callback wakeOnStop(stop, [&waiter] { waiter.wake(); });
    const auto outcome =
        waiter.wait(what, QDeadlineTimer(duration), [&stop] { return stop.stop_requested(); });
    return outcome == opos::Waiter::Outcome::Cancelled ? outcome : opos::Waiter::Outcome::Ready;
}

} // namespace sim
