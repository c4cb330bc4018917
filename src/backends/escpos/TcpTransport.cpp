#include "backends/escpos/TcpTransport.h"

#include "backends/escpos/ByteTrace.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>

namespace escpos {

TcpTransport::TcpTransport(QString host, quint16 port)
    : ChannelTransport(tcpTrace(), QStringLiteral("%1:%2").arg(host).arg(port)),
      m_host(std::move(host)), m_port(port), m_socket(this), m_connectTimer(this)
{
    m_connectTimer.setSingleShot(true);
    connect(&m_connectTimer, &QTimer::timeout, this, [this] {
        fail(QStringLiteral("%1 did not accept a connection within %2 ms")
                 .arg(where())
                 .arg(m_connectTimer.interval()));
    });
    connect(&m_socket, &QTcpSocket::connected, this, [this] {
        m_connectTimer.stop();
        m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        m_socket.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
        takeOver();
    });
    connect(&m_socket, &QTcpSocket::errorOccurred, this,
            [this](QAbstractSocket::SocketError error) { fail(reason(error)); });
}

// The connection's socket becomes the transport's own; Qt's socket lets go of its copy.
void TcpTransport::takeOver()
{
    const int fd = ::fcntl(static_cast<int>(m_socket.socketDescriptor()), F_DUPFD_CLOEXEC, 0);
    const int error = errno;
    m_socket.disconnect(this);
    m_socket.abort();
    if (fd < 0) {
        fail(reason(error));
        return;
    }
    attach(fd, true);
    emit opened();
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

void TcpTransport::close()
{
    m_connectTimer.stop();
    m_socket.disconnect(this);
    m_socket.abort();
    ChannelTransport::close();
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

// Why the connection failed once it was up: errno 0 is its orderly end.
QString TcpTransport::reason(int error) const
{
    if (error == 0 || error == ECONNRESET || error == EPIPE)
        return QStringLiteral("%1 closed the connection").arg(where());
    if (error == ETIMEDOUT || error == EHOSTUNREACH || error == ENETUNREACH || error == ENETDOWN)
        return QStringLiteral("network error on the connection to %1: %2")
            .arg(where(), QString::fromLocal8Bit(std::strerror(error)));
    return QStringLiteral("%1: %2").arg(where(), QString::fromLocal8Bit(std::strerror(error)));
}

void TcpTransport::fail(const QString& why)
{
    if (m_failed)
        return;
    m_failed = true;
    m_connectTimer.stop();
    stopChannel();
    emit failed(why);
}

} // namespace escpos
