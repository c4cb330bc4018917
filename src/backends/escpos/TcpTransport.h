#pragma once

#include "backends/escpos/DeviceTransport.h"

#include <QTcpSocket>
#include <QTimer>

namespace escpos {

// A raw printing port (9100): a TCP connection.
class TcpTransport final : public DeviceTransport
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TcpTransport)

public:
    TcpTransport(QString host, quint16 port);
    ~TcpTransport() override;

    void open(int timeoutMs) override;
    bool write(QByteArrayView bytes) override;
    qint64 bytesToWrite() const override { return m_socket.bytesToWrite(); }
    QByteArray read(qint64 maxSize) override;
    void close() override;
    int requestSocket() const override
    {
        return m_connected ? static_cast<int>(m_socket.socketDescriptor()) : -1;
    }

private:
    const QString& where() const { return m_where; }
    QString reason(QAbstractSocket::SocketError error) const;
    void fail(const QString& reason);

    QString m_host;
    quint16 m_port;
    QString m_where; // "host:port", made once
    QTcpSocket m_socket;
    QTimer m_connectTimer;
    bool m_connected = false;
    bool m_failed = false;
};

} // namespace escpos
