#include "opos/Waiter.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>

namespace opos {

namespace {

// Milliseconds to the deadline, rounded up so that a wait never ends just before it.
int pollTimeout(QDeadlineTimer deadline)
{
    if (deadline.isForever())
        return -1;
    const qint64 ns = std::max<qint64>(0, deadline.remainingTimeNSecs());
    return static_cast<int>(std::min<qint64>((ns + 999'999) / 1'000'000, 1 << 30));
}

} // namespace

BlockingWaiter::~BlockingWaiter()
{
    for (const auto& [thread, fd] : m_wakeFds)
        ::close(fd);
}

// Looks at the call and at ready() under m_mutex until one of them ends the wait, and sleeps
// between looks; sleep() unlocks while it sleeps and says whether input ended the wait.
template <typename Sleep>
Waiter::Outcome BlockingWaiter::waitUntil(QDeadlineTimer deadline,
                                          const std::function<bool()>& ready, Sleep sleep)
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
        if (sleep(lock, limit.deadline))
            return Outcome::Ready;
    }
}

Waiter::Outcome BlockingWaiter::wait(const QString& /*what*/, QDeadlineTimer deadline,
                                     const std::function<bool()>& ready)
{
    return waitUntil(
        deadline, ready, [this](std::unique_lock<std::mutex>& lock, QDeadlineTimer limit) {
            if (limit.isForever())
                m_woken.wait(lock);
            else
                m_woken.wait_for(lock, std::chrono::milliseconds(limit.remainingTime()));
            return false;
        });
}

void BlockingWaiter::wake()
{
    // Taking the lock orders this wake after a waiter's check of ready(), so none is lost.
    {
        const std::lock_guard lock(m_mutex);
        const uint64_t one = 1;
        for (const int fd : m_inputWaits)
            (void)!::write(fd, &one, sizeof one);
    }
    m_woken.notify_all();
}

// The calling thread's eventfd, made on its first wait for input. Called with m_mutex held.
int BlockingWaiter::wakeDescriptor()
{
    auto [it, added] = m_wakeFds.try_emplace(std::this_thread::get_id(), -1);
    if (added)
        it->second = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (it->second < 0) {
        const int error = errno;
        m_wakeFds.erase(it);
        throw std::system_error(error, std::generic_category(),
                                "No descriptor left to wait for a device's reply");
    }
    return it->second;
}

Waiter::Outcome BlockingWaiter::waitForInput(const QString& /*what*/, QDeadlineTimer deadline,
                                             int fd, const std::function<bool()>& ready)
{
    int wakeFd = -1;
    {
        const std::lock_guard lock(m_mutex);
        wakeFd = wakeDescriptor();
        m_inputWaits.push_back(wakeFd);
    }
    struct Leave
    {
        BlockingWaiter& waiter;
        int fd;
        ~Leave()
        {
            const std::lock_guard lock(waiter.m_mutex);
            auto& waits = waiter.m_inputWaits;
            waits.erase(std::find(waits.begin(), waits.end(), fd));
        }
    } leave{*this, wakeFd};
    return waitUntil(deadline, ready,
                     [&](std::unique_lock<std::mutex>& lock, QDeadlineTimer limit) {
                         lock.unlock();
                         pollfd fds[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
                         const int polled = ::poll(fds, 2, pollTimeout(limit));
                         const int error = errno;
                         if (polled < 0 && error != EINTR)
                             throw std::system_error(error, std::generic_category(),
                                                     "Waiting for a device's reply failed");
                         if (polled > 0 && fds[1].revents != 0) {
                             uint64_t count = 0;
                             (void)!::read(wakeFd, &count, sizeof count);
                         }
                         lock.lock();
                         return polled > 0 && fds[0].revents != 0;
                     });
}

} // namespace opos
