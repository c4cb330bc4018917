// The LinkWorker's reading side: requests, the replies matched to them, and time-outs.
#include "backends/escpos/ByteTrace.h"
#include "backends/escpos/LinkWorker.h"
#include "opos/OposConstants.h"

#include <algorithm>
#include <limits>

namespace escpos {

namespace {

// A device that keeps sending is read this many chunks at a time before others get a turn.
constexpr int kChunksPerTurn = 16;
// How many of the bytes heard during a request a message quotes.
constexpr qsizetype kQuoted = 16;

QString plural(qint64 count, const char* one, const char* many)
{
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

} // namespace

void LinkWorker::onReadyRead()
{
    // While reading pauses, the end of the pause reads what came meanwhile.
    if (m_readTimer.isActive())
        return;
    for (int chunk = 0; chunk < kChunksPerTurn && m_open; ++chunk) {
        const qint64 allowed = m_throttle.allowance();
        if (allowed == 0) {
            pauseReading();
            return;
        }
        const qint64 wanted = std::min<qint64>(allowed, DeviceTransport::kReadChunk);
        const QByteArray bytes = m_transport->read(wanted);
        if (bytes.isEmpty())
            return;
        m_throttle.took(bytes.size());
        take(bytes);
        // Less than asked for was all there was: the next readyRead() brings what comes later,
        // without another read that finds nothing.
        if (bytes.size() < wanted)
            return;
    }
    // More may be waiting: read it on the next turn, after whatever else is due.
    if (m_open)
        QMetaObject::invokeMethod(
            this, [this] { onReadyRead(); }, Qt::QueuedConnection);
}

// Bytes from the device, read by this thread or handed back by a caller.
void LinkWorker::take(QByteArrayView bytes)
{
    // Taken after the read: a reply read now may answer a request sent just before.
    takeSent();
    takeArrived(bytes);
}

void LinkWorker::takeArrived(QByteArrayView bytes)
{
    traceBytes(linkTrace(), m_key, "received", bytes);
    hear(bytes);
    m_sorter.feed(bytes);
    for (const auto& frame : m_sorter.takeFrames())
        notify(decodeAutoStatus(frame));
    assign(m_sorter.take(ReplyKind::RealTime, m_sorter.available(ReplyKind::RealTime)), true);
    assign(m_sorter.take(ReplyKind::Transmit, m_sorter.available(ReplyKind::Transmit)), false);
    finishAnswered();
}

// The device sends more than any exchange needs: the rest waits with the system, or at the
// device, until the next slice of time, and the link says what is going on.
void LinkWorker::pauseReading()
{
    m_transport->setReading(false);
    m_readTimer.start(static_cast<int>(m_throttle.resumeInMs()));
    const QString flood = m_throttle.complaint();
    std::lock_guard lock(m_state.mutex);
    m_state.flood = flood;
}

// Every request still waiting keeps the first bytes that came meanwhile, so that a time-out can
// say what the device sent instead of its answer.
void LinkWorker::hear(QByteArrayView bytes)
{
    for (Query& query : m_queries) {
        if (query.heard.size() < kQuoted)
            query.heard.append(bytes.first(std::min(bytes.size(), kQuoted - query.heard.size())));
        query.heardCount += bytes.size();
    }
}

// Replies come back in the order of the requests: each goes to the oldest request still
// expecting one of its kind, after those owed to requests that gave up. Anything else is
// thrown away, so nothing unasked for is kept.
void LinkWorker::assign(QByteArrayView bytes, bool realTime)
{
    std::deque<Owed>& owed = realTime ? m_owedRealTime : m_owedTransmit;
    for (const char byte : bytes) {
        // An owed real-time reply may be forgiven: it confirms nothing.
        while (realTime && !owed.empty() && owed.front().forgetAt.hasExpired())
            owed.pop_front();
        if (!owed.empty()) {
            if (--owed.front().count == 0)
                owed.pop_front();
            continue;
        }
        for (auto it = m_queries.begin(); it != m_queries.end(); ++it) {
            QByteArray& got = realTime ? it->result.realTime : it->result.transmit;
            const int wanted = realTime ? it->expect.realTime : it->expect.transmit;
            if (got.size() >= wanted)
                continue;
            got.append(byte);
            // The printer is making progress: the next request of the kind gets its full time.
            for (auto next = std::next(it); next != m_queries.end(); ++next) {
                if ((realTime ? next->expect.realTime : next->expect.transmit) > 0) {
                    const QDeadlineTimer fresh(next->timeoutMs);
                    if (next->deadline < fresh)
                        next->deadline = fresh;
                    break;
                }
            }
            break;
        }
    }
}

void LinkWorker::finishAnswered()
{
    for (auto it = m_queries.begin(); it != m_queries.end();) {
        Query& query = *it;
        const bool complete = query.result.realTime.size() >= query.expect.realTime &&
                              query.result.transmit.size() >= query.expect.transmit;
        query.result.done = complete;
        if (!complete) {
            if (!query.result.realTime.isEmpty() || !query.result.transmit.isEmpty())
                query.update(query.result);
            ++it;
            continue;
        }
        Query finished = std::move(query);
        it = m_queries.erase(it);
        finished.update(finished.result);
    }
    sendHeld();
    armTimer();
}

void LinkWorker::query(QByteArray request, Expect expect, QDeadlineTimer deadline, Update update)
{
    Query query;
    query.expect = expect;
    query.timeoutMs = static_cast<int>(std::max<qint64>(0, deadline.remainingTime()));
    query.deadline = deadline;
    query.update = std::move(update);
    // The request goes behind the output queued before it.
    pump();
    if (!m_open && !m_resyncing) {
        query.result = {opos::OPOS_E_OFFLINE, m_state.lastError, {}, {}, true,
                        ReplyFailure::Offline};
        query.update(query.result);
        return;
    }
    if (m_resyncing || !m_held.empty() || owes(expect)) {
        m_held.emplace_back(std::move(request), std::move(query));
        sendHeld();
        armTimer();
        return;
    }
    send(std::move(request), std::move(query));
}

bool LinkWorker::owes(const Expect& expect)
{
    while (!m_owedRealTime.empty() && m_owedRealTime.front().forgetAt.hasExpired())
        m_owedRealTime.pop_front();
    return (expect.realTime > 0 && !m_owedRealTime.empty()) ||
           (expect.transmit > 0 && !m_owedTransmit.empty());
}

void LinkWorker::send(QByteArray request, Query query)
{
    closeRequests();
    ++m_holdLending;
    const bool reading = reclaimReading();
    traceBytes(linkTrace(), m_key, "request", request);
    (reading ? m_queries : m_sentBehind).push_back(std::move(query));
    m_handed += request.size();
    m_transport->write(request);
    --m_holdLending;
    armTimer();
}

// A late reply could not be told from the answer to a request sent meanwhile, so requests of
// that kind wait until the debt is paid, forgiven (real-time status) or cleared by a resync.
void LinkWorker::sendHeld()
{
    if (resyncDue()) {
        resync();
        return;
    }
    while (m_open && !m_held.empty() && !owes(m_held.front().second.expect)) {
        auto [request, query] = std::move(m_held.front());
        m_held.pop_front();
        send(std::move(request), std::move(query));
    }
}

// A request that needs a transmit-status reply waits behind one still owed, and nothing else is
// on the way whose answer a new connection would lose.
bool LinkWorker::resyncDue()
{
    if (!m_open || m_lent || m_held.empty() || m_owedTransmit.empty())
        return false;
    takeSent();
    if (!m_queries.empty())
        return false;
    return std::any_of(m_held.begin(), m_held.end(),
                       [](const auto& held) { return held.second.expect.transmit > 0; });
}

// A transmit-status reply carries no tag: one that is still owed could arrive at any time and
// confirm the wrong output. A fresh connection cannot carry it, so the link connects again
// before the next request goes out; queued output and held requests wait and go on the new one.
void LinkWorker::resync()
{
    m_resyncing = true;
    shutRequests(); // its copy of the socket would keep the connection up
    m_transport->close();
    dropTransport();
    m_owedRealTime.clear();
    m_owedTransmit.clear();
    open(m_options.connectMs, [](const opos::DeviceResult&) {});
}

// What a request that timed out heard instead of its answer.
QString LinkWorker::unanswered(const Query& query) const
{
    QString flood;
    {
        std::lock_guard lock(m_state.mutex);
        flood = m_state.flood;
    }
    if (!flood.isEmpty())
        return floodedOut(flood);
    if (query.heardCount == 0)
        return QStringLiteral("no reply within %1 ms").arg(query.timeoutMs);
    const QString quoted =
        QString::fromLatin1(query.heard.toHex(' ').toUpper()) +
        (query.heardCount > query.heard.size() ? QStringLiteral(" …") : QString());
    const bool status = query.expect.realTime > 0;
    const qsizetype partial = query.result.realTime.size();
    if (status && partial > 0 && query.heardCount == partial)
        return QStringLiteral("the printer answered only %1 of the %2 bytes of a status reply: %3")
            .arg(partial)
            .arg(query.expect.realTime)
            .arg(quoted);
    return QStringLiteral("the printer answered %1 that %2 not a %3: %4")
        .arg(plural(query.heardCount, "byte", "bytes"),
             QLatin1String(query.heardCount == 1 ? "is" : "are"),
             QLatin1String(status ? "status reply" : "transmit-status reply"), quoted);
}

// A request not answered by its deadline ends; its missing replies are owed.
void LinkWorker::expire()
{
    closeRequests();
    for (auto it = m_held.begin(); it != m_held.end();) {
        if (!it->second.deadline.hasExpired()) {
            ++it;
            continue;
        }
        Query expired = std::move(it->second);
        it = m_held.erase(it);
        // Held because the device has not answered before: as silent as it gets.
        expired.result = notSent();
        expired.update(expired.result);
    }
    for (auto it = m_queries.begin(); it != m_queries.end();) {
        if (!it->deadline.hasExpired()) {
            ++it;
            continue;
        }
        Query expired = std::move(*it);
        it = m_queries.erase(it);
        const QDeadlineTimer forgetAt(std::max(expired.timeoutMs, 100));
        if (const auto missing = expired.expect.realTime - expired.result.realTime.size();
            missing > 0)
            m_owedRealTime.push_back({static_cast<int>(missing), forgetAt});
        if (const auto missing = expired.expect.transmit - expired.result.transmit.size();
            missing > 0)
            m_owedTransmit.push_back({static_cast<int>(missing), forgetAt});
        expired.result.done = true;
        expired.result.code = opos::OPOS_E_TIMEOUT;
        expired.result.text = unanswered(expired);
        expired.result.failure =
            expired.heardCount == 0 ? ReplyFailure::Silent : ReplyFailure::Unanswered;
        expired.update(expired.result);
    }
    sendHeld();
    armTimer();
}

void LinkWorker::armTimer()
{
    if (m_queries.empty() && m_held.empty()) {
        // A running timer is left to run out: callers that send their own requests count on
        // the worker looking at deadlines by then.
        updateRequests();
        return;
    }
    qint64 soonest = std::numeric_limits<qint64>::max();
    for (const Query& query : m_queries)
        soonest = std::min(soonest, query.deadline.remainingTime());
    for (const auto& held : m_held)
        soonest = std::min(soonest, held.second.deadline.remainingTime());
    for (const auto* owed : {&m_owedRealTime, &m_owedTransmit}) {
        if (!owed->empty() && !m_held.empty())
            soonest = std::min(soonest, owed->front().forgetAt.remainingTime());
    }
    // A timer due before the soonest deadline stays as it is: when it fires, it sets the next.
    const QDeadlineTimer due(std::max<qint64>(0, soonest));
    if (!m_queryTimer.isActive() || due < m_alarm) {
        m_alarm = due;
        m_queryTimer.start(static_cast<int>(std::max<qint64>(0, soonest)));
    }
    updateRequests();
}

} // namespace escpos
