#pragma once

#include <QDateTime>
#include <cstdint>
#include <functional>

namespace script {

// Where a run gets its time from and how it waits. Waits let the event loop deliver the
// devices' events; tests put in a clock of their own, so that no test waits on real time.
class ScriptClock
{
public:
    virtual ~ScriptClock() = default;
    virtual QDateTime now() const = 0;
    // The same in milliseconds since 1970 UTC, as a transcript line's time is read.
    virtual qint64 msecsSinceEpoch() const { return now().toMSecsSinceEpoch(); }
    // Handles events until done() holds or timeoutMs pass; true when done() held. done() is
    // asked first, before any wait.
    virtual bool waitUntil(int32_t timeoutMs, const std::function<bool()>& done) = 0;
};

// Real time: the event loop runs until done() holds or the time is up.
class EventLoopClock final : public ScriptClock
{
public:
    QDateTime now() const override;
    qint64 msecsSinceEpoch() const override;
    bool waitUntil(int32_t timeoutMs, const std::function<bool()>& done) override;
};

} // namespace script
