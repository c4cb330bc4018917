#include "backends/escpos/LinkWorker.h"

#include "backends/escpos/FileDevice.h"
#include "opos/OposConstants.h"

#include <QSerialPort>
#include <QTcpSocket>

namespace escpos {

namespace {

// Automatic status back for drawer, on/offline, errors and paper; and off again.
const QByteArray kAutoStatusOn("\x1d\x61\x0f", 3);
const QByteArray kAutoStatusOff("\x1d\x61\x00", 3);

opos::DeviceResult noHardware(const QString& why)
{
    return {opos::OPOS_E_NOHARDWARE, 0, why};
}

} // namespace

LinkWorker::LinkWorker(Address address, LinkOptions options, LinkState& state)
    : m_address(std::move(address)), m_options(options), m_state(state), m_queryTimer(this),
      m_pollTimer(this), m_pumpTimer(this)
{
    m_queryTimer.setSingleShot(true);
    connect(&m_queryTimer, &QTimer::timeout, this, [this] {
        finishQuery(
            {opos::OPOS_E_TIMEOUT, QStringLiteral("The device did not answer in time"), {}});
    });
    connect(&m_pollTimer, &QTimer::timeout, this, [this] { poll(); });
    m_pumpTimer.setSingleShot(true);
    m_pumpTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_pumpTimer, &QTimer::timeout, this, [this] { pump(); });
}

LinkWorker::~LinkWorker()
{
    close();
}

void LinkWorker::open(int timeoutMs, Done done)
{
    if (m_device) {
        done({});
        return;
    }
    if (m_address.transport == Transport::Tcp) {
        openTcp(timeoutMs, std::move(done));
        return;
    }
    QIODevice* device = nullptr;
    if (m_address.transport == Transport::Serial) {
        auto* port = new QSerialPort(m_address.path, this);
        const SerialSettings& s = m_address.serial;
        port->setBaudRate(s.baud);
        port->setParity(s.parity);
        port->setDataBits(s.dataBits);
        port->setStopBits(s.stopBits);
        port->setFlowControl(s.flow);
        connect(
            port, &QSerialPort::errorOccurred, this, [this, port](QSerialPort::SerialPortError e) {
                if (e != QSerialPort::NoError && e != QSerialPort::TimeoutError && port == m_device)
                    onLost(port->errorString());
            });
        device = port;
    } else {
        auto* file = new FileDevice(m_address.path, this);
        connect(file, &FileDevice::failed, this, [this](const QString& why) { onLost(why); });
        device = file;
    }
    if (!device->open(QIODevice::ReadWrite)) {
        const QString why = device->errorString();
        delete device;
        done(noHardware(QStringLiteral("%1 cannot be opened: %2").arg(m_address.path, why)));
        return;
    }
    attachDevice(device);
    done({});
}

void LinkWorker::openTcp(int timeoutMs, Done done)
{
    auto* socket = new QTcpSocket(this);
    auto* timer = new QTimer(socket);
    timer->setSingleShot(true);
    // The three outcomes race; whichever comes first answers and disarms the others.
    auto finish = std::make_shared<Done>(std::move(done));
    const QString where = m_address.key();
    connect(socket, &QTcpSocket::connected, this, [this, socket, timer, finish] {
        timer->stop();
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        socket->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
        attachDevice(socket);
        std::exchange(*finish, nullptr)({});
    });
    connect(socket, &QTcpSocket::errorOccurred, this, [this, socket, timer, finish, where] {
        if (socket == m_device) {
            onLost(socket->errorString());
        } else if (*finish) {
            timer->stop();
            std::exchange(*finish, nullptr)(
                noHardware(QStringLiteral("%1: %2").arg(where, socket->errorString())));
            socket->deleteLater();
        }
    });
    connect(timer, &QTimer::timeout, this, [socket, finish, where, timeoutMs] {
        if (!*finish)
            return;
        std::exchange(*finish, nullptr)(
            noHardware(QStringLiteral("%1 did not accept a connection within %2 ms")
                           .arg(where)
                           .arg(timeoutMs)));
        socket->abort();
        socket->deleteLater();
    });
    timer->start(timeoutMs);
    socket->connectToHost(m_address.host, m_address.port);
}

void LinkWorker::attachDevice(QIODevice* device)
{
    m_device = device;
    m_sorter = {};
    connect(device, &QIODevice::readyRead, this, [this] { onReadyRead(); });
    connect(device, &QIODevice::bytesWritten, this, [this] { onBytesWritten(); });
    if (auto* socket = qobject_cast<QTcpSocket*>(device)) {
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            if (socket == m_device)
                onLost(QStringLiteral("The device closed the connection"));
        });
    }
    setConnected(true, {});
    pump();
    updateWatching();
}

void LinkWorker::close()
{
    if (!m_device)
        return;
    if (m_autoStatusOn)
        m_device->write(kAutoStatusOff);
    QIODevice* device = m_device;
    m_device = nullptr;
    m_autoStatusOn = false;
    m_pollTimer.stop();
    device->disconnect(this);
    // Hand over what is written, then let go; a socket finishes sending in the background.
    if (auto* socket = qobject_cast<QTcpSocket*>(device))
        socket->disconnectFromHost();
    device->close();
    device->deleteLater();
    setConnected(false, QStringLiteral("The connection is closed"));
    while (!m_queries.empty())
        finishQuery({opos::OPOS_E_OFFLINE, QStringLiteral("The connection is closed"), {}});
}

void LinkWorker::onLost(const QString& reason)
{
    if (!m_device)
        return;
    QIODevice* device = m_device;
    m_device = nullptr;
    m_autoStatusOn = false;
    m_pollTimer.stop();
    device->disconnect(this);
    device->deleteLater();
    setConnected(false, QStringLiteral("Connection lost: %1").arg(reason));
    while (!m_queries.empty())
        finishQuery({opos::OPOS_E_OFFLINE, QStringLiteral("Connection lost: %1").arg(reason), {}});
    notify({});
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
        }
    }
    m_state.changed.notify_all();
}

void LinkWorker::pumpSoon()
{
    if (!m_pumpTimer.isActive())
        m_pumpTimer.start(1);
}

void LinkWorker::pump()
{
    QByteArray out;
    {
        std::lock_guard lock(m_state.mutex);
        m_state.pumpScheduled = false;
        out.swap(m_state.out);
    }
    if (!m_device || out.isEmpty())
        return;
    if (m_device->write(out) != out.size()) {
        onLost(m_device->errorString());
        return;
    }
    // Hand the bytes to the system now rather than on the next turn of the event loop.
    if (auto* socket = qobject_cast<QAbstractSocket*>(m_device.data()))
        socket->flush();
    onBytesWritten();
}

void LinkWorker::onBytesWritten()
{
    const qint64 backlog = m_device ? m_device->bytesToWrite() : 0;
    {
        std::lock_guard lock(m_state.mutex);
        m_state.backlog = backlog;
    }
    m_state.changed.notify_all();
}

void LinkWorker::onReadyRead()
{
    if (!m_device)
        return;
    m_sorter.feed(m_device->readAll());
    for (const auto& frame : m_sorter.takeFrames())
        notify(decodeAutoStatus(frame));
    if (m_queryInFlight) {
        const Query& head = m_queries.front();
        if (m_sorter.available(head.kind) >= head.count)
            finishQuery({0, {}, m_sorter.take(head.kind, head.count)});
    }
}

void LinkWorker::query(QByteArray request, ReplyKind kind, int count, QDeadlineTimer deadline,
                       QueryDone done)
{
    m_queries.push_back({std::move(request), kind, count, deadline, std::move(done)});
    if (!m_queryInFlight)
        startNextQuery();
}

void LinkWorker::startNextQuery()
{
    while (!m_queries.empty() && !m_queryInFlight) {
        const Query& head = m_queries.front();
        if (!m_device) {
            m_queries.front().done(
                {opos::OPOS_E_OFFLINE, QStringLiteral("The device is not connected"), {}});
            m_queries.pop_front();
            continue;
        }
        if (head.deadline.hasExpired()) {
            m_queries.front().done(
                {opos::OPOS_E_TIMEOUT, QStringLiteral("The device did not answer in time"), {}});
            m_queries.pop_front();
            continue;
        }
        // The request goes behind the output queued before it; old unread replies would
        // otherwise be taken for the answer.
        pump();
        if (!m_device)
            continue;
        m_sorter.discard(head.kind);
        m_device->write(head.request);
        m_queryInFlight = true;
        m_queryTimer.start(std::max<qint64>(0, head.deadline.remainingTime()));
    }
}

void LinkWorker::finishQuery(QueryResult result)
{
    if (m_queries.empty())
        return;
    Query head = std::move(m_queries.front());
    m_queries.pop_front();
    m_queryInFlight = false;
    m_queryTimer.stop();
    head.done(std::move(result));
    startNextQuery();
}

void LinkWorker::updateWatching()
{
    bool wanted = false;
    {
        std::lock_guard lock(m_state.watchMutex);
        wanted = m_device && !m_state.watchers.empty();
    }
    if (m_options.watch == StatusWatch::Poll) {
        if (wanted && !m_pollTimer.isActive())
            m_pollTimer.start(m_options.pollMs);
        else if (!wanted)
            m_pollTimer.stop();
    } else if (m_options.watch == StatusWatch::AutoStatusBack && m_device) {
        if (wanted != m_autoStatusOn)
            m_device->write(wanted ? kAutoStatusOn : kAutoStatusOff);
        m_autoStatusOn = wanted;
    }
}

void LinkWorker::poll()
{
    if (m_pollPending || !m_device)
        return;
    m_pollPending = true;
    query(statusRequest(), ReplyKind::RealTime, 3, QDeadlineTimer(m_options.statusMs),
          [this](const QueryResult& result) {
              m_pollPending = false;
              if (result.ok()) {
                  const auto& r = result.replies;
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
