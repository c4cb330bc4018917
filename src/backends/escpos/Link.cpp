#include "backends/escpos/Link.h"

#include "backends/escpos/ByteTrace.h"
#include "backends/escpos/LinkWorker.h"
#include "opos/OposConstants.h"

#include <stdexcept>
#include <sys/socket.h>

namespace escpos {

namespace {

// Output queued beyond this makes writers wait, so a stalled printer cannot swallow memory.
constexpr qsizetype kHighWater = 256 * 1024;
constexpr qsizetype kBatch = 16 * 1024;

opos::DeviceResult offline(const QString& why)
{
    return {opos::OPOS_E_OFFLINE, 0,
            why.isEmpty() ? QStringLiteral("the device is not connected") : why};
}

opos::DeviceResult aborted()
{
    return {opos::OPOS_E_FAILURE, 0, QStringLiteral("the output was cleared")};
}

// A result the link's thread fills in and a caller waits for.
template <typename R> struct Slot
{
    std::mutex mutex;
    R value{};
    bool done = false;
};

} // namespace

// A request's replies as the link's thread takes them in, and whether its caller should look.
struct Link::Answer
{
    std::mutex mutex;
    QueryResult value;
    bool ready = false;
    const std::function<bool(const QueryResult&)>* enough = nullptr; // while the caller waits
};

QueryResult notSent()
{
    return {opos::OPOS_E_TIMEOUT,
            QStringLiteral("the printer has not answered an earlier request yet; this one was "
                           "not sent"),
            {},
            {},
            true,
            ReplyFailure::NotSent};
}

opos::DeviceResult waitFailed(opos::Waiter::Outcome outcome, const QString& timedOut)
{
    if (outcome == opos::Waiter::Outcome::Cancelled)
        return {opos::OPOS_E_TIMEOUT, 0, QStringLiteral("the wait was cancelled")};
    return {opos::OPOS_E_TIMEOUT, 0, timedOut};
}

Link::Link(Address address, LinkOptions options, TransportFactory factory,
           std::shared_ptr<opos::Waiter> callWaiter)
    : m_address(std::move(address)), m_key(m_address.key()), m_options(options),
      m_callWaiter(std::move(callWaiter)),
      m_worker(
          new LinkWorker(m_address, options, std::move(factory), m_state, [this] { wakeAll(); }))
{
    m_thread.setObjectName(QStringLiteral("escpos ") + m_key);
    m_worker->moveToThread(&m_thread);
    m_thread.start();
}

Link::~Link()
{
    // The transport and the worker go on their own thread, before it ends: nothing outlives
    // the link.
    QMetaObject::invokeMethod(
        m_worker,
        [worker = m_worker] {
            worker->close();
            delete worker;
        },
        Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

opos::Waiter& Link::waiter(bool userCall)
{
    return userCall ? *m_callWaiter : m_threadWaiter;
}

void Link::wakeAll()
{
    m_threadWaiter.wake();
    m_callWaiter->wake();
}

void Link::post(std::function<void(LinkWorker&)> call)
{
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker, call = std::move(call)] { call(*worker); },
        Qt::QueuedConnection);
}

opos::DeviceResult Link::attach(QDeadlineTimer deadline, opos::Waiter& waiter)
{
    const opos::DeviceResult result = connectDevice(deadline, waiter);
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
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker] { worker->close(); }, Qt::BlockingQueuedConnection);
}

opos::DeviceResult Link::reconnect(QDeadlineTimer deadline, opos::Waiter& waiter)
{
    return connectDevice(deadline, waiter);
}

bool Link::isConnected() const
{
    std::lock_guard lock(m_state.mutex);
    return m_state.connected;
}

quint64 Link::epoch() const
{
    std::lock_guard lock(m_state.mutex);
    return m_state.epoch;
}

QString Link::flood() const
{
    std::lock_guard lock(m_state.mutex);
    return m_state.flood;
}

bool Link::readingLent() const
{
    std::lock_guard lock(m_state.mutex);
    return m_state.readingLent;
}

opos::DeviceResult Link::connectDevice(QDeadlineTimer deadline, opos::Waiter& waiter)
{
    if (QThread::currentThread() == &m_thread)
        throw std::logic_error("A device link was called from its own thread");
    if (isConnected())
        return {};
    const QDeadlineTimer connectBy = std::min(deadline, QDeadlineTimer(m_options.connectMs));
    const int timeoutMs = static_cast<int>(std::max<qint64>(0, connectBy.remainingTime()));
    auto slot = std::make_shared<Slot<opos::DeviceResult>>();
    post([slot, timeoutMs, this](LinkWorker& worker) {
        worker.open(timeoutMs, [slot, this](const opos::DeviceResult& result) {
            {
                std::lock_guard lock(slot->mutex);
                slot->value = result;
                slot->done = true;
            }
            wakeAll();
        });
    });
    const auto outcome = waiter.wait(m_key, connectBy, [&] {
        std::lock_guard lock(slot->mutex);
        return slot->done;
    });
    std::lock_guard lock(slot->mutex);
    if (slot->done)
        return slot->value;
    opos::DeviceResult failed = waitFailed(
        outcome,
        QStringLiteral("%1 did not accept a connection within %2 ms").arg(m_key).arg(timeoutMs));
    failed.code = opos::OPOS_E_NOHARDWARE;
    if (outcome == opos::Waiter::Outcome::Cancelled)
        failed.code = opos::OPOS_E_TIMEOUT;
    return failed;
}

opos::DeviceResult Link::write(QByteArrayView bytes, QDeadlineTimer deadline, opos::Waiter& waiter)
{
    quint64 aborts = 0;
    {
        std::lock_guard lock(m_state.mutex);
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
        aborts = m_state.aborts;
        if (m_state.out.size() + m_state.backlog <= kHighWater)
            return {};
    }
    const auto outcome = waiter.wait(m_key, deadline, [&] {
        std::lock_guard lock(m_state.mutex);
        return !m_state.connected || m_state.aborts != aborts ||
               m_state.out.size() + m_state.backlog <= kHighWater;
    });
    std::lock_guard lock(m_state.mutex);
    if (!m_state.connected)
        return offline(m_state.lastError);
    if (m_state.aborts != aborts)
        return aborted();
    if (outcome != opos::Waiter::Outcome::Ready)
        return waitFailed(outcome, QStringLiteral("%1 took no data in time").arg(m_key));
    return {};
}

void Link::abortOutput()
{
    {
        std::lock_guard lock(m_state.mutex);
        m_state.out.clear();
        ++m_state.aborts;
    }
    wakeAll();
}

void Link::postPump(bool soon)
{
    post([soon](LinkWorker& worker) { soon ? worker.pumpSoon() : worker.pump(); });
}

QString floodedOut(const QString& flood)
{
    return flood + QStringLiteral(", and no reply among it");
}

opos::DeviceResult Link::send(QByteArrayView bytes, QDeadlineTimer deadline, opos::Waiter& waiter)
{
    const opos::DeviceResult written = write(bytes, deadline, waiter);
    return written.ok() ? flush(deadline, waiter) : written;
}

opos::DeviceResult Link::flush(QDeadlineTimer deadline, opos::Waiter& waiter)
{
    quint64 aborts = 0;
    {
        std::lock_guard lock(m_state.mutex);
        if (!m_state.out.isEmpty())
            postPump(false);
        aborts = m_state.aborts;
    }
    const auto outcome = waiter.wait(m_key, deadline, [&] {
        std::lock_guard lock(m_state.mutex);
        return !m_state.connected || m_state.aborts != aborts ||
               (m_state.out.isEmpty() && !m_state.pumpScheduled && m_state.backlog == 0);
    });
    std::lock_guard lock(m_state.mutex);
    if (!m_state.connected)
        return offline(m_state.lastError);
    if (m_state.aborts != aborts)
        return aborted();
    if (outcome != opos::Waiter::Outcome::Ready)
        return waitFailed(outcome, QStringLiteral("%1 did not take its data in time").arg(m_key));
    return {};
}

QueryResult Link::query(QByteArray request, Expect expect, QDeadlineTimer deadline,
                        opos::Waiter& waiter, const std::function<bool(const QueryResult&)>& enough)
{
    if (QThread::currentThread() == &m_thread)
        throw std::logic_error("A device link was called from its own thread");
    // The link's own verdict comes a little before the caller's wait ends, so that it, and not
    // a bare time-out, says what the device sent instead of its answer.
    const qint64 remainingMs = deadline.remainingTime();
    const bool early = remainingMs > 4 * kVerdictMarginMs; // forever is -1: never early
    const QDeadlineTimer verdict = early ? deadline - kVerdictMarginMs : deadline;
    const qint64 verdictMs =
        deadline.isForever() ? -1 : remainingMs - (early ? kVerdictMarginMs : 0);
    SentRequest entry{expect, static_cast<int>(std::max<qint64>(0, verdictMs)), verdict, {}};
    std::shared_ptr<Answer> answer;
    Route how = Route::Post;
    {
        std::lock_guard lock(m_state.mutex);
        if (!m_state.connected)
            return offlineResult();
        how = route(request, verdict, waiter);
        if (how != Route::ReadItself)
            answer = awaitedAnswer(entry, enough);
        if (how == Route::SentItself)
            m_state.sent.push_back(std::move(entry));
    }
    if (how == Route::Post) {
        post([request = std::move(request), expect, verdict, update = std::move(entry.update)](
                 LinkWorker& worker) { worker.query(request, expect, verdict, update); });
    } else if (how == Route::ReadItself) {
        if (auto result = readOwnReply(entry, answer, deadline, waiter, enough))
            return *result;
    }
    return awaitAnswer(*answer, deadline, waiter);
}

// The answer the link's thread fills in through the request's update, made only for a request
// whose replies that thread reads: a caller that reads its own needs none.
std::shared_ptr<Link::Answer>
Link::awaitedAnswer(SentRequest& entry, const std::function<bool(const QueryResult&)>& enough)
{
    auto answer = std::make_shared<Answer>();
    if (enough)
        answer->enough = &enough;
    entry.update = [answer, this](const QueryResult& result) {
        {
            std::lock_guard lock(answer->mutex);
            answer->value = result;
            // Part of the replies wakes the caller only when it is enough for it.
            if (!result.done && !(answer->enough && (*answer->enough)(result)))
                return;
            answer->ready = true;
        }
        wakeAll();
    };
    return answer;
}

// What a request answers when the connection is down. Called with the state's mutex held.
QueryResult Link::offlineResult() const
{
    return {opos::OPOS_E_OFFLINE, offline(m_state.lastError).text, {}, {}, true,
            ReplyFailure::Offline};
}

// Waits for the link's thread to fill in the answer.
QueryResult Link::awaitAnswer(Answer& answer, QDeadlineTimer deadline, opos::Waiter& waiter)
{
    const auto outcome = waiter.wait(m_key, deadline, [&] {
        std::lock_guard lock(answer.mutex);
        return answer.ready;
    });
    // A link's thread slowed down (by a flood it reads, or a loaded machine) may give its
    // verdict after the caller's wait ended: what the link knows of a flood is still said.
    const QString flood = this->flood();
    std::lock_guard lock(answer.mutex);
    answer.enough = nullptr;
    QueryResult result = answer.value;
    if (!answer.ready) {
        const opos::DeviceResult why = waitFailed(
            outcome, flood.isEmpty() ? QStringLiteral("no reply in time") : floodedOut(flood));
        result.code = why.code;
        result.text = why.text;
        result.done = true;
        result.failure = outcome == opos::Waiter::Outcome::Cancelled ? ReplyFailure::Cancelled
                                                                     : ReplyFailure::TimedOut;
    }
    return result;
}

// Sends a request on the calling thread when nothing else is on its way to the device and the
// link's thread will look at the request's verdict in time without being told; that thread
// then only reads the reply. Called with the state's mutex held; false when it may not.
bool Link::sendItself(const QByteArray& request, QDeadlineTimer verdict)
{
    LinkState& s = m_state;
    if (!s.requestsOpen || s.requestSocket < 0 || !s.outputIdle() || s.alarm.isForever() ||
        verdict < s.alarm || s.readingLent || !s.handedBack.isEmpty())
        return false;
    sendNow(request);
    return true;
}

// Sends on the link's copy of the socket. What the system did not take (it is full, or the
// connection just broke) goes out, or fails, on the link's thread, ahead of anything queued
// later. Called with the state's mutex held.
void Link::sendNow(const QByteArray& request)
{
    LinkState& s = m_state;
    traceBytes(linkTrace(), m_key, "request", request);
    const ssize_t written =
        ::send(s.requestSocket, request.constData(), static_cast<size_t>(request.size()),
               MSG_DONTWAIT | MSG_NOSIGNAL);
    if (written < request.size()) {
        s.out.append(request.sliced(std::max<qsizetype>(written, 0)));
        postPump(false);
        s.pumpScheduled = true;
    }
}

void Link::confirm(int timeoutMs, Confirmed done)
{
    QString why;
    {
        std::lock_guard lock(m_state.mutex);
        if (m_state.connected) {
            m_state.confirms.emplace_back(timeoutMs, std::move(done));
            if (!m_state.pumpScheduled)
                postPump(true);
            m_state.pumpScheduled = true;
            return;
        }
        why = m_state.lastError;
    }
    done(offline(why));
}

int Link::addWatcher(StatusWatcher watcher)
{
    int id = 0;
    {
        std::lock_guard lock(m_state.watchMutex);
        id = m_state.nextWatcher++;
        m_state.watchers.emplace(id, std::move(watcher));
    }
    post([](LinkWorker& worker) { worker.updateWatching(); });
    return id;
}

void Link::removeWatcher(int id)
{
    {
        std::lock_guard lock(m_state.watchMutex);
        m_state.watchers.erase(id);
    }
    post([](LinkWorker& worker) { worker.updateWatching(); });
}

} // namespace escpos
