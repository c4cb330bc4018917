#include "backends/escpos/Link.h"

#include "backends/escpos/LinkWorker.h"
#include "opos/OposConstants.h"

#include <QDeadlineTimer>
#include <optional>
#include <stdexcept>

namespace escpos {

namespace {

// Beyond its own deadline the link's thread always answers quickly; this only covers a thread
// that is slow to be scheduled.
constexpr int kGraceMs = 1000;
// Output queued beyond this makes writers wait, so a stalled printer cannot swallow memory.
constexpr qsizetype kHighWater = 256 * 1024;
constexpr qsizetype kBatch = 16 * 1024;

template <typename R> class Waiter
{
public:
    void finish(R result)
    {
        {
            std::lock_guard lock(m_mutex);
            m_result = std::move(result);
        }
        m_done.notify_all();
    }
    std::optional<R> wait(int timeoutMs)
    {
        std::unique_lock lock(m_mutex);
        m_done.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                        [this] { return m_result.has_value(); });
        return std::move(m_result);
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    std::optional<R> m_result;
};

opos::DeviceResult offline(const QString& why)
{
    return {opos::OPOS_E_OFFLINE, 0,
            why.isEmpty() ? QStringLiteral("The device is not connected") : why};
}

opos::DeviceResult aborted()
{
    return {opos::OPOS_E_FAILURE, 0, QStringLiteral("The output was cleared")};
}

} // namespace

Link::Link(Address address, LinkOptions options)
    : m_address(std::move(address)), m_worker(new LinkWorker(m_address, options, m_state))
{
    m_thread.setObjectName(QStringLiteral("escpos ") + m_address.key());
    m_worker->moveToThread(&m_thread);
    m_thread.start();
}

Link::~Link()
{
    QMetaObject::invokeMethod(
        m_worker,
        [worker = m_worker] {
            worker->close();
            worker->deleteLater();
        },
        Qt::QueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

opos::DeviceResult Link::attach(int timeoutMs)
{
    const opos::DeviceResult result = connectDevice(timeoutMs);
    if (result.ok()) {
        std::lock_guard lock(m_state.mutex);
        ++m_state.users;
    }
    return result;
}

void Link::detach()
{
    {
        std::lock_guard lock(m_state.mutex);
        if (m_state.users == 0 || --m_state.users > 0)
            return;
    }
    closeDevice();
}

opos::DeviceResult Link::reconnect(int timeoutMs)
{
    return connectDevice(timeoutMs);
}

bool Link::isConnected() const
{
    std::lock_guard lock(m_state.mutex);
    return m_state.connected;
}

opos::DeviceResult Link::connectDevice(int timeoutMs)
{
    if (QThread::currentThread() == &m_thread)
        throw std::logic_error("A device link was called from its own thread");
    auto waiter = std::make_shared<Waiter<opos::DeviceResult>>();
    QMetaObject::invokeMethod(
        m_worker,
        [worker = m_worker, waiter, timeoutMs] {
            worker->open(timeoutMs, [waiter](opos::DeviceResult result) {
                waiter->finish(std::move(result));
            });
        },
        Qt::QueuedConnection);
    return waiter->wait(timeoutMs + kGraceMs)
        .value_or(opos::DeviceResult{
            opos::OPOS_E_NOHARDWARE, 0,
            QStringLiteral("%1 did not connect within %2 ms").arg(m_address.key()).arg(timeoutMs)});
}

void Link::closeDevice()
{
    {
        std::lock_guard lock(m_state.mutex);
        m_state.connected = false;
    }
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker] { worker->close(); }, Qt::QueuedConnection);
}

opos::DeviceResult Link::write(QByteArrayView bytes, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    std::unique_lock lock(m_state.mutex);
    if (!m_state.connected)
        return offline(m_state.lastError);
    const qsizetype before = m_state.out.size();
    m_state.out.append(bytes);
    // Small writes gather for a moment and go out together; a full batch goes at once.
    if (before < kBatch && m_state.out.size() >= kBatch)
        postPump(false);
    else if (!m_state.pumpScheduled)
        postPump(true);
    m_state.pumpScheduled = true;
    const quint64 aborts = m_state.aborts;
    const bool roomOrGone = m_state.changed.wait_for(
        lock, std::chrono::milliseconds(std::max<qint64>(0, deadline.remainingTime())), [&] {
            return !m_state.connected || m_state.aborts != aborts ||
                   m_state.out.size() + m_state.backlog <= kHighWater;
        });
    if (!m_state.connected)
        return offline(m_state.lastError);
    if (m_state.aborts != aborts)
        return aborted();
    if (!roomOrGone)
        return {opos::OPOS_E_TIMEOUT, 0,
                QStringLiteral("The device took no data for %1 ms").arg(timeoutMs)};
    return {};
}

void Link::abortOutput()
{
    {
        std::lock_guard lock(m_state.mutex);
        m_state.out.clear();
        ++m_state.aborts;
    }
    m_state.changed.notify_all();
}

void Link::postPump(bool soon)
{
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker, soon] { soon ? worker->pumpSoon() : worker->pump(); },
        Qt::QueuedConnection);
}

opos::DeviceResult Link::flush(int timeoutMs)
{
    std::unique_lock lock(m_state.mutex);
    if (!m_state.out.isEmpty())
        postPump(false);
    const quint64 aborts = m_state.aborts;
    const bool drained = m_state.changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        return !m_state.connected || m_state.aborts != aborts ||
               (m_state.out.isEmpty() && !m_state.pumpScheduled && m_state.backlog == 0);
    });
    if (!m_state.connected)
        return offline(m_state.lastError);
    if (m_state.aborts != aborts)
        return aborted();
    if (!drained)
        return {opos::OPOS_E_TIMEOUT, 0,
                QStringLiteral("The device did not take its data within %1 ms").arg(timeoutMs)};
    return {};
}

QueryResult Link::query(QByteArray request, ReplyKind kind, int count, int timeoutMs)
{
    if (QThread::currentThread() == &m_thread)
        throw std::logic_error("A device link was called from its own thread");
    {
        std::lock_guard lock(m_state.mutex);
        if (!m_state.connected)
            return {opos::OPOS_E_OFFLINE, offline(m_state.lastError).text, {}};
    }
    auto waiter = std::make_shared<Waiter<QueryResult>>();
    const QDeadlineTimer deadline(timeoutMs);
    QMetaObject::invokeMethod(
        m_worker,
        [worker = m_worker, waiter, request = std::move(request), kind, count, deadline] {
            worker->query(request, kind, count, deadline,
                          [waiter](QueryResult result) { waiter->finish(std::move(result)); });
        },
        Qt::QueuedConnection);
    return waiter->wait(timeoutMs + kGraceMs)
        .value_or(
            QueryResult{opos::OPOS_E_TIMEOUT,
                        QStringLiteral("The device did not answer within %1 ms").arg(timeoutMs),
                        {}});
}

int Link::addWatcher(StatusWatcher watcher)
{
    int id = 0;
    {
        std::lock_guard lock(m_state.watchMutex);
        id = m_state.nextWatcher++;
        m_state.watchers.emplace(id, std::move(watcher));
    }
    updateWatching();
    return id;
}

void Link::removeWatcher(int id)
{
    {
        std::lock_guard lock(m_state.watchMutex);
        m_state.watchers.erase(id);
    }
    updateWatching();
}

void Link::updateWatching()
{
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker] { worker->updateWatching(); }, Qt::QueuedConnection);
}

} // namespace escpos
