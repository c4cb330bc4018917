#include "backends/sim/ClaimWaiter.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace sim {

bool waitToTake(const std::function<bool()>& tryTake, int32_t timeoutMs)
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
    QObject::connect(&poll, &QTimer::timeout, &loop, [&loop, &clock, &tryTake, timeoutMs] {
        if (tryTake())
            loop.exit(1);
        else if (timeoutMs > 0 && clock.elapsed() >= timeoutMs)
            loop.exit(0);
    });
    poll.start();
    return loop.exec() == 1;
}

} // namespace sim
