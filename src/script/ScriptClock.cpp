#include "script/ScriptClock.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <ctime>

namespace script {

namespace {

// A property a script waits on may change without an event reaching this thread (a status
// read by the device's worker); looking again this often bounds how late the change is seen.
constexpr int kRecheckMs = 10;

} // namespace

QDateTime EventLoopClock::now() const
{
    return QDateTime::currentDateTimeUtc();
}

qint64 EventLoopClock::msecsSinceEpoch() const
{
    // Read for every transcript line: straight from the clock, without Qt's calls around it.
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000;
}

bool EventLoopClock::waitUntil(int32_t timeoutMs, const std::function<bool()>& done)
{
    const QDeadlineTimer deadline(timeoutMs);
    QEventLoop loop;
    QTimer wake;
    wake.setSingleShot(true);
    QObject::connect(&wake, &QTimer::timeout, &loop, &QEventLoop::quit);
    while (!done()) {
        const qint64 remaining = deadline.remainingTime();
        if (remaining <= 0)
            return false;
        wake.start(static_cast<int>(std::min<qint64>(remaining, kRecheckMs)));
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

} // namespace script
