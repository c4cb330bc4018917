#include "backends/escpos/TcpTransport.h"

#include "backends/escpos/ByteTrace.h"

namespace escpos {

TcpTransport::TcpTransport(QString host, quint16 port)
    : m_host(std::move(host)), m_port(port), m_where(QStringLiteral("%1:%2").arg(m_host).arg(port)),
      m_socket(this), m_connectTimer(this)
{
    // What is not read yet stays with the system, so a flooding printer is slowed down by TCP
    // itself instead of filling memory.
    m_socket.setReadBufferSize(16 * kReadChunk);
    m_connectTimer.setSingleShot(true);
    connect(&m_connectTimer, &QTimer::timeout, this, [this] {
        fail(QStringLiteral("%1 did not accept a connection within %2 ms")
                 .arg(where())
                 .arg(m_connectTimer.interval()));
    });
    connect(&m_socket, &QTcpSocket::connected, this, [this] {
        m_connectTimer.stop();
        m_connected = true;
        m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        m_socket.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
        emit opened();
    });
    connect(&m_socket, &QTcpSocket::errorOccurred, this,
            [this](QAbstractSocket::SocketError error) { fail(reason(error)); });
    connect(&m_socket, &QTcpSocket::disconnected, this, [this] {
        if (m_connected)
            fail(QStringLiteral("%1 closed the connection").arg(where()));
    });
    connect(&m_socket, &QTcpSocket::readyRead, this, &DeviceTransport::readyRead);
    connect(&m_socket, &QTcpSocket::bytesWritten, this, &DeviceTransport::bytesWritten);
}

TcpTransport::~TcpTransport()
{
    close();
}

void TcpTransport::open(int timeoutMs)
{
    m_connectTimer.start(std::max(0, timeoutMs));
    m_socket.connectToHost(m_host, m_port);
}

bool TcpTransport::write(QByteArrayView bytes)
{
    if (m_failed || m_socket.write(bytes.data(), bytes.size()) != bytes.size()) {
        fail(reason(m_socket.error()));
        return false;
    }
    traceBytes(tcpTrace(), where(), "sent", bytes);
    // Hand the bytes to the system now rather than on the next turn of the event loop.
    m_socket.flush();
    return true;
}

QByteArray TcpTransport::read(qint64 maxSize)
{
    QByteArray bytes = m_socket.read(maxSize);
    traceBytes(tcpTrace(), where(), "received", bytes);
    return bytes;
}

void TcpTransport::close()
{
    m_connectTimer.stop();
    m_socket.disconnect(this);
    m_connected = false;
    if (m_socket.state() == QAbstractSocket::ConnectedState)
        m_socket.flush();
    m_socket.abort();
}

QString TcpTransport::reason(QAbstractSocket::SocketError error) const
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return QStringLiteral("connection refused by %1").arg(where());
    case QAbstractSocket::RemoteHostClosedError:
        return QStringLiteral("%1 closed the connection").arg(where());
    case QAbstractSocket::HostNotFoundError:
        return QStringLiteral("host %1 not found").arg(m_host);
    case QAbstractSocket::NetworkError:
        return QStringLiteral("network error on the connection to %1: %2")
            .arg(where(), m_socket.errorString());
    default:
        return QStringLiteral("%1: %2").arg(where(), m_socket.errorString());
    }
}

void TcpTransport::fail(const QString& why)
{
    if (m_failed)
        return;
    m_failed = true;
    m_connectTimer.stop();
    m_connected = false;
    emit failed(why);
}

} // namespace escpos
