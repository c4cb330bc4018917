#include "backends/sim/PrintPacer.h"

#include <condition_variable>
#include <mutex>

namespace sim {

void RealTimePacer::pause(std::chrono::milliseconds duration, std::stop_token stop)
{
    std::mutex mutex;
    std::condition_variable_any woken;
    std::unique_lock lock(mutex);
    woken.wait_for(lock, stop, duration, [] { return false; });
}

} // namespace sim
