#pragma once

#include <QDeadlineTimer>
#include <QString>
#include <condition_variable>
#include <functional>
#include <mutex>

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
    // for the user ("Quenta POS Printer").
    virtual Outcome wait(const QString& what, QDeadlineTimer deadline,
                         const std::function<bool()>& ready) = 0;
    // From any thread: something ready() looks at may have changed. Call it without holding a
    // lock that ready() takes.
    virtual void wake() = 0;
};

// Blocks the calling thread. Used off the GUI thread and where no window is.
class BlockingWaiter final : public Waiter
{
public:
    Outcome wait(const QString& /*what*/, QDeadlineTimer deadline,
                 const std::function<bool()>& ready) override
    {
        std::unique_lock lock(m_mutex);
        while (!ready()) {
            if (deadline.hasExpired())
                return Outcome::TimedOut;
            if (deadline.isForever())
                m_woken.wait(lock);
            else
                m_woken.wait_for(lock, std::chrono::milliseconds(deadline.remainingTime()));
        }
        return Outcome::Ready;
    }
    void wake() override
    {
        // Taking the lock orders this wake after a waiter's check of ready(), so none is lost.
        {
            const std::lock_guard lock(m_mutex);
        }
        m_woken.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_woken;
};

} // namespace opos
