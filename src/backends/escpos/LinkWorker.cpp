#include "backends/escpos/LinkWorker.h"

#include "backends/escpos/ByteTrace.h"
#include "backends/escpos/EscPosTranslator.h"
#include "opos/OposConstants.h"

namespace escpos {

namespace {

// Automatic status back for drawer, on/offline, errors and paper; and off again.
const QByteArray kAutoStatusOn("\x1d\x61\x0f", 3);
const QByteArray kAutoStatusOff("\x1d\x61\x00", 3);

opos::DeviceResult failure(int32_t code, const QString& why)
{
    return {code, 0, why};
}

} // namespace

LinkWorker::LinkWorker(Address address, LinkOptions options, TransportFactory factory,
                       LinkState& state, std::function<void()> wake)
    : m_address(std::move(address)), m_key(m_address.key()), m_options(options),
      m_factory(std::move(factory)), m_state(state), m_wake(std::move(wake)), m_queryTimer(this),
      m_pollTimer(this), m_pumpTimer(this), m_readTimer(this), m_lendTimer(this)
{
    m_lendTimer.setInterval(options.lentIdleMs);
    connect(&m_lendTimer, &QTimer::timeout, this, [this] { checkLentReading(); });
    m_queryTimer.setSingleShot(true);
    connect(&m_queryTimer, &QTimer::timeout, this, [this] { expire(); });
    connect(&m_pollTimer, &QTimer::timeout, this, [this] { poll(); });
    m_pumpTimer.setSingleShot(true);
    m_pumpTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_pumpTimer, &QTimer::timeout, this, [this] { pump(); });
    m_readTimer.setSingleShot(true);
    connect(&m_readTimer, &QTimer::timeout, this, [this] {
        if (m_transport)
            m_transport->setReading(true);
        onReadyRead();
    });
}

LinkWorker::~LinkWorker()
{
    close();
}

void LinkWorker::open(int timeoutMs, Done done)
{
    if (m_open) {
        done({});
        return;
    }
    m_opening.push_back(std::move(done));
    if (m_transport)
        return; // already on its way
    {
        std::lock_guard lock(m_state.mutex);
        m_state.connecting = true;
    }
    m_transport = m_factory(m_address, readBack()).release();
    m_transport->setParent(this);
    connect(m_transport, &DeviceTransport::opened, this, [this] { onOpened(); });
    connect(m_transport, &DeviceTransport::failed, this,
            [this](const QString& why) { onLost(why); });
    connect(m_transport, &DeviceTransport::readyRead, this, [this] { onReadyRead(); });
    connect(m_transport, &DeviceTransport::bytesWritten, this, [this] { onBytesWritten(); });
    m_transport->open(timeoutMs);
}

void LinkWorker::onOpened()
{
    m_open = true;
    m_sorter = {};
    m_owedRealTime.clear();
    m_owedTransmit.clear();
    m_handed = 0;
    {
        std::lock_guard lock(m_state.mutex);
        // The same device on a fresh connection after a resync has not started afresh.
        if (!std::exchange(m_resyncing, false)) {
            ++m_state.epoch;
            m_throttle.reset();
            m_state.flood.clear();
        }
        m_state.connecting = false;
        if (const int socket = m_transport->requestSocket(); socket >= 0)
            m_state.requestSocket = replySocket(socket);
        m_state.arrivalTimesKnown = false;
    }
    setConnected(true, {});
    for (auto& done : std::exchange(m_opening, {}))
        done({});
    pump();
    sendHeld();
    armTimer();
    updateWatching();
}

void LinkWorker::close()
{
    if (!m_transport)
        return;
    shutRequests();
    if (m_open && m_autoStatusOn)
        m_transport->write(kAutoStatusOff);
    pump();
    if (m_transport)
        m_transport->close();
    m_resyncing = false;
    dropTransport();
    endEverything(opos::OPOS_E_CLOSED, QStringLiteral("the connection was closed"));
}

void LinkWorker::onLost(const QString& reason)
{
    if (!m_transport)
        return;
    const bool wasOpen = m_open || std::exchange(m_resyncing, false);
    dropTransport();
    endEverything(wasOpen ? opos::OPOS_E_OFFLINE : opos::OPOS_E_NOHARDWARE, reason);
    if (wasOpen)
        notify({});
    updateWatching(); // keeps trying to get the device back while someone watches it
}

// Lets go of the transport; it may be the one emitting right now, so it goes later.
void LinkWorker::dropTransport()
{
    shutRequests();
    DeviceTransport* transport = m_transport;
    m_transport = nullptr;
    m_open = false;
    m_autoStatusOn = false;
    m_pollTimer.stop();
    m_pumpTimer.stop();
    m_readTimer.stop();
    transport->disconnect(this);
    transport->deleteLater();
}

// Everything waiting on the connection ends with the reason: callers waiting for it to open,
// requests waiting for replies, and output not yet confirmed.
void LinkWorker::endEverything(int32_t code, const QString& reason)
{
    takeSent();
    std::vector<std::pair<int, Confirmed>> confirms;
    {
        std::lock_guard lock(m_state.mutex);
        m_state.connecting = false;
        confirms.swap(m_state.confirms);
    }
    setConnected(false, reason);
    const opos::DeviceResult why =
        failure(code == opos::OPOS_E_CLOSED ? opos::OPOS_E_OFFLINE : code, reason);
    for (auto& done : std::exchange(m_opening, {}))
        done(why);
    const opos::DeviceResult lost = failure(opos::OPOS_E_OFFLINE, reason);
    for (auto& [timeoutMs, done] : confirms)
        done(lost);
    for (auto& [mark, done] : std::exchange(m_writeMarks, {}))
        done(lost);
    std::deque<Query> queries = std::exchange(m_queries, {});
    for (Query& behind : std::exchange(m_sentBehind, {}))
        queries.push_back(std::move(behind));
    for (auto& held : std::exchange(m_held, {}))
        queries.push_back(std::move(held.second));
    m_queryTimer.stop();
    for (Query& query : queries) {
        query.result.done = true;
        query.result.code = opos::OPOS_E_OFFLINE;
        query.result.text = reason;
        query.result.failure = ReplyFailure::Offline;
        query.update(query.result);
    }
    m_owedRealTime.clear();
    m_owedTransmit.clear();
}

void LinkWorker::setConnected(bool connected, const QString& error)
{
    {
        std::lock_guard lock(m_state.mutex);
        m_state.connected = connected;
        m_state.lastError = error;
        if (!connected) {
            m_state.out.clear();
            m_state.backlog = 0;
            m_state.pumpScheduled = false;
        }
    }
    m_wake();
}

void LinkWorker::pumpSoon()
{
    if (!m_pumpTimer.isActive())
        m_pumpTimer.start(1);
}

void LinkWorker::pump()
{
    QByteArray out;
    std::vector<std::pair<int, Confirmed>> confirms;
    bool scheduled = false;
    {
        std::lock_guard lock(m_state.mutex);
        scheduled = std::exchange(m_state.pumpScheduled, false);
        if (m_open) {
            out.swap(m_state.out);
            // Held by the transport until it says otherwise, so that a flush never sees the
            // bytes neither queued nor held while they change hands.
            m_state.backlog += out.size();
            confirms.swap(m_state.confirms);
        }
    }
    if (!m_open)
        return;
    if (!out.isEmpty() || !confirms.empty())
        reclaimReading();
    if (!out.isEmpty()) {
        traceBytes(linkTrace(), m_key, "output", out);
        m_handed += out.size();
        // A failure ends everything through onLost().
        if (m_transport->write(out)) {
            std::lock_guard lock(m_state.mutex);
            m_state.backlog = m_transport->bytesToWrite();
        }
    }
    // Writers and flushes wait for the queue to be handed on; a pump that found nothing
    // scheduled and nothing queued (a request going out) frees none of them.
    if (scheduled || !out.isEmpty())
        m_wake();
    if (confirms.empty())
        return;
    if (!m_open) {
        const opos::DeviceResult lost = failure(opos::OPOS_E_OFFLINE, m_state.lastError);
        for (auto& [timeoutMs, done] : confirms)
            done(lost);
        return;
    }
    if (readBack()) {
        // One transmit-status request confirms everything queued before it.
        int timeoutMs = 0;
        for (const auto& confirm : confirms)
            timeoutMs = std::max(timeoutMs, confirm.first);
        query(cmd::transmitPaperStatus(), {0, 1}, QDeadlineTimer(timeoutMs),
              [confirms = std::move(confirms)](const QueryResult& result) {
                  if (!result.done)
                      return;
                  const opos::DeviceResult outcome{
                      result.code, 0,
                      result.code == opos::OPOS_E_TIMEOUT
                          ? QStringLiteral("the printer did not confirm the output; it may "
                                           "still print")
                          : result.text};
                  for (const auto& confirm : confirms)
                      confirm.second(outcome);
              });
    } else {
        for (auto& confirm : confirms)
            m_writeMarks.emplace_back(m_handed, std::move(confirm.second));
        onBytesWritten();
    }
}

void LinkWorker::onBytesWritten()
{
    if (!m_transport)
        return;
    const qint64 backlog = m_transport->bytesToWrite();
    qint64 before = 0;
    {
        std::lock_guard lock(m_state.mutex);
        before = std::exchange(m_state.backlog, backlog);
    }
    // One-way output counts as done once the system has its last byte.
    const qint64 inSystem = m_handed - backlog;
    while (!m_writeMarks.empty() && m_writeMarks.front().first <= inSystem) {
        Confirmed done = std::move(m_writeMarks.front().second);
        m_writeMarks.pop_front();
        done({});
    }
    // Only a shrinking backlog frees a waiting writer or flush: a request written straight
    // through must not wake the caller that waits for its reply.
    if (backlog < before)
        m_wake();
}

void LinkWorker::updateWatching()
{
    bool wanted = false;
    {
        std::lock_guard lock(m_state.watchMutex);
        wanted = !m_state.watchers.empty();
    }
    if (m_options.watch == StatusWatch::Poll) {
        if (wanted && !m_pollTimer.isActive())
            m_pollTimer.start(m_options.pollMs);
        else if (!wanted)
            m_pollTimer.stop();
    } else if (m_options.watch == StatusWatch::AutoStatusBack) {
        if (m_open && wanted != m_autoStatusOn) {
            closeRequests();
            reclaimReading();
            m_transport->write(wanted ? kAutoStatusOn : kAutoStatusOff);
            m_autoStatusOn = wanted; // frames come from now on: the reading is not lent
            updateRequests();
        }
        m_autoStatusOn = m_open && wanted;
        // While the connection is down, the watch keeps trying to make it again.
        if (wanted && !m_open && !m_pollTimer.isActive())
            m_pollTimer.start(m_options.pollMs);
        else if (m_open || !wanted)
            m_pollTimer.stop();
    }
}

void LinkWorker::poll()
{
    if (m_pollPending)
        return;
    if (!m_open) {
        bool used = false;
        {
            std::lock_guard lock(m_state.mutex);
            used = m_state.users > 0;
        }
        if (!used || m_transport)
            return;
        // The device went away: try once per poll to get it back.
        m_pollPending = true;
        open(m_options.connectMs, [this](const opos::DeviceResult& result) {
            m_pollPending = false;
            if (result.ok())
                poll();
        });
        return;
    }
    if (m_options.watch != StatusWatch::Poll)
        return;
    m_pollPending = true;
    query(statusRequest(), {3, 0}, QDeadlineTimer(m_options.statusMs),
          [this](const QueryResult& result) {
              if (!result.done)
                  return;
              m_pollPending = false;
              if (result.ok()) {
                  const auto& r = result.realTime;
                  notify(decodeRealTime(static_cast<uint8_t>(r[0]), static_cast<uint8_t>(r[1]),
                                        static_cast<uint8_t>(r[2])));
              } else {
                  notify({});
              }
          });
}

void LinkWorker::notify(const DeviceStatus& status)
{
    std::lock_guard lock(m_state.watchMutex);
    for (const auto& [id, watcher] : m_state.watchers)
        watcher(status);
}

} // namespace escpos
