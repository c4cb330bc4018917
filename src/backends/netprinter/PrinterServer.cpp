#include "backends/netprinter/PrinterServer.h"

#include "backends/netprinter/EscPosInterpreter.h"
#include "backends/netprinter/PtyPort.h"

#include <QTcpSocket>
#include <algorithm>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <stdexcept>

namespace netprinter {

namespace {

constexpr qint64 kChunk = 64 * 1024;
constexpr qint64 kSocketBuffer = 256 * 1024;
constexpr qint64 kMaxUnsent = 64 * 1024; // answers the client has not read yet
constexpr qint64 kPublishMs = 100;
constexpr int kPausedLookMs = 100;

QString peerOf(const QTcpSocket& socket)
{
    return QStringLiteral("%1:%2").arg(socket.peerAddress().toString()).arg(socket.peerPort());
}

// The client reset or aborted the connection. Asked of the system, which knows it even while
// unread input waits ahead of it.
bool clientAborted(QIODevice* device)
{
    const auto* socket = qobject_cast<QTcpSocket*>(device);
    if (!socket || socket->socketDescriptor() < 0)
        return false;
    tcp_info info{};
    socklen_t size = sizeof info;
    return ::getsockopt(static_cast<int>(socket->socketDescriptor()), IPPROTO_TCP, TCP_INFO, &info,
                        &size) == 0 &&
           info.tcpi_state == TCP_CLOSE;
}

} // namespace

QString ListenAddress::text() const
{
    return host.protocol() == QAbstractSocket::IPv6Protocol
               ? QStringLiteral("[%1]:%2").arg(host.toString()).arg(port)
               : QStringLiteral("%1:%2").arg(host.toString()).arg(port);
}

ListenAddress parseListenAddress(const QString& text)
{
    const QString trimmed = text.trimmed();
    const qsizetype colon = trimmed.lastIndexOf(u':');
    QString host = colon < 0 ? QStringLiteral("127.0.0.1") : trimmed.left(colon);
    if (host.startsWith(u'[') && host.endsWith(u']'))
        host = host.mid(1, host.size() - 2);
    bool ok = false;
    const uint port = trimmed.mid(colon + 1).toUInt(&ok);
    if (!ok || port > 65535)
        throw std::invalid_argument(
            QStringLiteral("\"%1\" is not a port: write [ADDRESS:]PORT, for example 127.0.0.1:9100")
                .arg(trimmed.left(60))
                .toStdString());
    ListenAddress address;
    if (host == u"localhost")
        host = QStringLiteral("127.0.0.1");
    if (!address.host.setAddress(host))
        throw std::invalid_argument(QStringLiteral("\"%1\" is not an IP address to listen on")
                                        .arg(host.left(60))
                                        .toStdString());
    address.port = static_cast<quint16>(port);
    return address;
}

PrinterServer::PrinterServer(VirtualPrinterDevice device, Limits limits, QObject* parent)
    : QObject(parent), m_device(device), m_limits(limits), m_server(this), m_publishLater(this)
{
    // Members are children, so that they move with the server to its thread.
    connect(&m_server, &QTcpServer::newConnection, this, &PrinterServer::accept);
    m_publishLater.setSingleShot(true);
    connect(&m_publishLater, &QTimer::timeout, this, &PrinterServer::publish);
}

PrinterServer::~PrinterServer()
{
    stop();
}

QString PrinterServer::listen(const ListenAddress& address)
{
    m_server.close();
    if (!m_server.listen(address.host, address.port))
        return QStringLiteral("cannot listen on %1: %2")
            .arg(address.text(), m_server.errorString());
    ListenAddress bound = address;
    bound.port = m_server.serverPort();
    emit transcriptLine(QStringLiteral("listening on %1").arg(bound.text()));
    return {};
}

QString PrinterServer::openPseudoTerminal()
{
    if (m_pty)
        return {};
    auto* pty = new PtyPort(this);
    try {
        pty->create();
    } catch (const std::runtime_error& error) {
        delete pty;
        return QString::fromLocal8Bit(error.what());
    }
    m_pty = pty;
    start(pty, pty->path(), m_ptyJob);
    emit transcriptLine(QStringLiteral("serial port %1 open").arg(pty->path()));
    return {};
}

QString PrinterServer::pseudoTerminalPath() const
{
    return m_pty ? m_pty->path() : QString();
}

void PrinterServer::stop()
{
    m_server.close();
    for (Waiting& waiting : m_waiting) {
        delete waiting.timer;
        if (waiting.socket)
            refuse(waiting.socket, QStringLiteral("the printer stopped listening"));
    }
    m_waiting.clear();
    if (m_job)
        end(m_job);
    if (m_ptyJob)
        end(m_ptyJob);
    delete m_pty;
    m_pty = nullptr;
}

void PrinterServer::accept()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        socket->setReadBufferSize(kSocketBuffer);
        if (!m_job) {
            start(socket, peerOf(*socket), m_job);
            continue;
        }
        if (static_cast<int>(m_waiting.size()) >= m_limits.maxWaiting) {
            refuse(socket, QStringLiteral("%1 other clients are already waiting for job %2")
                               .arg(m_waiting.size())
                               .arg(m_job->number));
            continue;
        }
        auto* timer = new QTimer(this);
        timer->setSingleShot(true);
        m_waiting.push_back({socket, timer});
        emit transcriptLine(QStringLiteral("%1 waits: job %2 from %3 is printing")
                                .arg(peerOf(*socket))
                                .arg(m_job->number)
                                .arg(m_job->peer));
        connect(timer, &QTimer::timeout, this, [this, timer] {
            if (QTcpSocket* socket = takeWaiting(timer))
                refuse(socket, QStringLiteral("job %1 from %2 was still printing after %3 ms")
                                   .arg(m_job ? m_job->number : 0)
                                   .arg(m_job ? m_job->peer : QString())
                                   .arg(m_limits.waitMs));
        });
        connect(socket, &QTcpSocket::disconnected, this, [this, timer] {
            if (QTcpSocket* socket = takeWaiting(timer)) {
                emit transcriptLine(QStringLiteral("%1 left while it waited").arg(peerOf(*socket)));
                socket->deleteLater();
            }
        });
        timer->start(m_limits.waitMs);
    }
}

QTcpSocket* PrinterServer::takeWaiting(QTimer* timer)
{
    const auto it = std::find_if(m_waiting.begin(), m_waiting.end(),
                                 [timer](const Waiting& w) { return w.timer == timer; });
    if (it == m_waiting.end())
        return nullptr;
    QTcpSocket* socket = it->socket;
    m_waiting.erase(it);
    timer->deleteLater();
    return socket;
}

void PrinterServer::refuse(QTcpSocket* socket, const QString& reason)
{
    emit transcriptLine(QStringLiteral("refused %1: %2").arg(peerOf(*socket), reason));
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

void PrinterServer::start(QIODevice* device, const QString& peer, std::unique_ptr<Job>& slot)
{
    auto job = std::make_unique<Job>();
    job->device = device;
    job->number = ++m_jobs;
    job->peer = peer;
    const int number = job->number;
    EscPosInterpreter::Output output;
    output.reply = [device](QByteArrayView bytes) { device->write(bytes.data(), bytes.size()); };
    if (m_limits.everyCommand)
        output.transcript = [this, number](const QString& line) {
            emit transcriptLine(QStringLiteral("job %1: %2").arg(number).arg(line));
        };
    output.cut = [this] { emit cutPrinted(); };
    job->interpreter = std::make_unique<EscPosInterpreter>(m_device, std::move(output));
    Job* raw = job.get();
    slot = std::move(job);
    emit transcriptLine(QStringLiteral("job %1 from %2").arg(number).arg(peer));
    connect(device, &QIODevice::readyRead, this, [this, raw] { read(*raw); });
    connect(device, &QIODevice::bytesWritten, this, [this, raw] { read(*raw); });
    if (auto* socket = qobject_cast<QTcpSocket*>(device))
        connect(socket, &QTcpSocket::disconnected, this, [this, raw] { end(raw); });
    raw->paused.setSingleShot(true);
    raw->paused.setInterval(kPausedLookMs);
    connect(&raw->paused, &QTimer::timeout, this, [this, raw] {
        if (clientAborted(raw->device))
            end(raw);
        else
            read(*raw);
    });
    m_published.invalidate();
    publish();
    read(*raw);
}

void PrinterServer::read(Job& job)
{
    QIODevice* device = job.device;
    if (!device)
        return;
    // Stop taking bytes while the printer holds enough or the client reads no answers; the
    // socket's own buffer is bounded too, so the client is then held up by TCP itself.
    while (device->bytesAvailable() > 0 &&
           job.interpreter->heldBytes() < EscPosInterpreter::kMaxHeld &&
           device->bytesToWrite() < kMaxUnsent) {
        const QByteArray chunk = device->read(kChunk);
        if (chunk.isEmpty())
            break;
        job.bytes += chunk.size();
        job.interpreter->feed(chunk);
    }
    if (device->bytesAvailable() > 0)
        job.paused.start();
    publish();
}

void PrinterServer::end(Job* job)
{
    auto& owner = m_job.get() == job ? m_job : m_ptyJob;
    if (owner.get() == job)
        end(owner);
}

void PrinterServer::end(std::unique_ptr<Job>& slot)
{
    std::unique_ptr<Job> job = std::move(slot);
    if (job->device)
        job->device->disconnect(this);
    job->interpreter->finish();
    emit transcriptLine(QStringLiteral("job %1 ended: %2 bytes, %3 cuts")
                            .arg(job->number)
                            .arg(job->bytes)
                            .arg(job->interpreter->cuts()));
    emit activity(QString(), job->bytes);
    emit jobEnded(job->number);
    if (auto* socket = qobject_cast<QTcpSocket*>(job->device.data())) {
        socket->abort();
        socket->deleteLater();
    }
    if (&slot == &m_job)
        startNext();
}

void PrinterServer::startNext()
{
    while (!m_job && !m_waiting.empty()) {
        Waiting next = m_waiting.front();
        m_waiting.pop_front();
        delete next.timer;
        if (next.socket)
            next.socket->disconnect(this);
        if (next.socket && next.socket->state() == QAbstractSocket::ConnectedState)
            start(next.socket, peerOf(*next.socket), m_job);
        else if (next.socket) {
            emit transcriptLine(
                QStringLiteral("%1 left while it waited").arg(peerOf(*next.socket)));
            next.socket->deleteLater();
        }
    }
}

void PrinterServer::deviceChanged()
{
    for (Job* job : {m_job.get(), m_ptyJob.get()}) {
        if (!job)
            continue;
        job->interpreter->deviceChanged();
        read(*job);
    }
}

void PrinterServer::publish()
{
    if (m_published.isValid() && m_published.elapsed() < kPublishMs) {
        if (!m_publishLater.isActive())
            m_publishLater.start(static_cast<int>(kPublishMs));
        return;
    }
    m_published.start();
    if (m_job)
        emit activity(m_job->peer, m_job->bytes);
    else if (m_ptyJob)
        emit activity(m_ptyJob->peer, m_ptyJob->bytes);
}

} // namespace netprinter
