#pragma once

#include "opos/OposConstants.h"
#include "opos/PrinterBackend.h"

#include <QDeadlineTimer>
#include <QString>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace opos {

// How a control-object call waits for its device. Every wait inside one call (a claim held
// elsewhere, a connect, a status reply, a job confirmation) goes through one waiter, bounded by
// the one deadline the call was given. The plain waiter blocks the calling thread; the window
// installs one that keeps painting, shows what is waited for and lets the user cancel.
class Waiter
{
public:
    enum class Outcome
    {
        Ready,
        TimedOut,
        Cancelled
    };

    virtual ~Waiter() = default;

    // Waits until ready() holds, the deadline passes or the user cancels. ready() is called on the
    // calling thread: once at the start, and again after every wake(). `what` names the device
    // for the user ("Quenta POS Printer"). Inside a call (see Call) the deadline is shortened to
    // the call's own, and a cancelled call answers Cancelled at once.
    virtual Outcome wait(const QString& what, QDeadlineTimer deadline,
                         const std::function<bool()>& ready) = 0;
    // From any thread: something ready() looks at may have changed. Call it without holding a
    // lock that ready() takes.
    virtual void wake() = 0;

    // True when the wait blocks the calling thread, which may then block in a read of its own
    // instead, bounded by bound() (a device's reply read straight from its socket).
    virtual bool blocksCallingThread() const { return false; }

    // True while a wait on the calling thread lets other events run (a nested event loop):
    // control objects then hold their events back, so that they come after the call.
    virtual bool holdingEvents() const { return false; }
    // Runs resume once no wait holds events back any more; at once when none does.
    virtual void whenEventsFree(std::function<void()> resume) { resume(); }

    // One control-object call on the calling thread, for as long as it lasts. Time the call spent
    // waiting for output already running (see deduct) comes off the device's own time-outs, so
    // one call is bounded by one time-out and never by a sum of several; once cancelled, every
    // later wait of the call ends at once. A call inside a call on the same thread is part of
    // the outer one.
    class Call
    {
    public:
        // device: the device as the user named it; purpose: what the call's waits are for
        // ("the claim"). Either may be empty; a window shows them while the call waits.
        explicit Call(Waiter& waiter, QString device = {}, QString purpose = {}) : m_waiter(waiter)
        {
            const std::lock_guard lock(waiter.m_callMutex);
            if (waiter.m_call)
                return;
            waiter.m_call = CallState{std::this_thread::get_id(),
                                      {},
                                      false,
                                      {},
                                      Subject{std::move(device), std::move(purpose)}};
            m_outer = true;
        }
        ~Call()
        {
            if (!m_outer)
                return;
            const std::lock_guard lock(m_waiter.m_callMutex);
            m_waiter.m_call.reset();
        }
        Call(const Call&) = delete;
        Call& operator=(const Call&) = delete;

    private:
        Waiter& m_waiter;
        bool m_outer = false;
    };

    // The call on the calling thread waited this long before its device was asked anything.
    void deduct(std::chrono::milliseconds waited)
    {
        const std::lock_guard lock(m_callMutex);
        if (m_call && m_call->thread == std::this_thread::get_id())
            m_call->deducted += waited;
    }
    // Ends the running call's wait, and every later wait of it, as Cancelled. From the thread of
    // the call (the window's close, for one). why, when given, is what the call's ErrorString
    // says (see cancelReason).
    void cancelCall(const QString& why = {})
    {
        {
            const std::lock_guard lock(m_callMutex);
            if (m_call && !m_call->cancelled) {
                m_call->cancelled = true;
                m_call->cancelReason = why;
            }
        }
        wake();
    }
    // Why the running call of the calling thread was cancelled; empty when it was not, or no
    // reason was given.
    QString cancelReason() const
    {
        const std::lock_guard lock(m_callMutex);
        return m_call && m_call->thread == std::this_thread::get_id() ? m_call->cancelReason
                                                                      : QString();
    }

    // What a wait on the calling thread may take: its own deadline shortened by the call's
    // deducted time; nothing once the call is cancelled.
    struct Bound
    {
        QDeadlineTimer deadline;
        bool cancelled = false;
    };
    Bound bound(QDeadlineTimer own) const
    {
        const std::lock_guard lock(m_callMutex);
        if (!m_call || m_call->thread != std::this_thread::get_id())
            return {own, false};
        if (!own.isForever())
            own = QDeadlineTimer::addNSecs(
                own,
                -std::chrono::duration_cast<std::chrono::nanoseconds>(m_call->deducted).count());
        return {own, m_call->cancelled};
    }
    // What the running call of the calling thread is about; empty texts outside a call.
    struct Subject
    {
        QString device;
        QString purpose;
    };
    Subject callSubject() const
    {
        const std::lock_guard lock(m_callMutex);
        if (!m_call || m_call->thread != std::this_thread::get_id())
            return {};
        return m_call->subject;
    }

protected:
    // True when ready() holds already and the call may go on: a waiter that has to set up
    // something to wait in (a nested event loop) looks once before it does. It never spins: a
    // reply that takes longer than the look costs the spinning time on every call, while
    // sleeping and being woken costs the same with or without it.
    bool readyAtOnce(QDeadlineTimer deadline, const std::function<bool()>& ready) const
    {
        const Bound limit = bound(deadline);
        return !limit.cancelled && !limit.deadline.hasExpired() && ready();
    }
    // True when the running call of the calling thread was cancelled.
    bool callCancelled() const
    {
        const std::lock_guard lock(m_callMutex);
        return m_call && m_call->thread == std::this_thread::get_id() && m_call->cancelled;
    }

private:
    struct CallState
    {
        std::thread::id thread;
        std::chrono::milliseconds deducted{};
        bool cancelled = false;
        QString cancelReason;
        Subject subject;
    };
    mutable std::mutex m_callMutex;
    std::optional<CallState> m_call;
};

// What a call answers when the person ended its wait: E_TIMEOUT, and ErrorString says why.
inline DeviceResult cancelledWait(const QString& what)
{
    return {OPOS_E_TIMEOUT, 0, QStringLiteral("Cancelled while waiting for %1").arg(what)};
}

// Blocks the calling thread. Used off the GUI thread and where no window is.
class BlockingWaiter final : public Waiter
{
public:
    Outcome wait(const QString& /*what*/, QDeadlineTimer deadline,
                 const std::function<bool()>& ready) override
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
                m_woken.wait_for(lock,
                                 std::chrono::nanoseconds(limit.deadline.remainingTimeNSecs()));
        }
    }
    void wake() override
    {
        // Taking the lock orders this wake after a waiter's check of ready(), so none is lost.
        {
            const std::lock_guard lock(m_mutex);
        }
        m_woken.notify_all();
    }
    bool blocksCallingThread() const override { return true; }

private:
    std::mutex m_mutex;
    std::condition_variable m_woken;
};

} // namespace opos
