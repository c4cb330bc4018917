#pragma once

#include "backends/escpos/DeviceTransport.h"
#include "backends/escpos/FdChannel.h"

#include <QTcpSocket>
#include <QTimer>

namespace escpos {

// A raw printing port (9100): a TCP connection. Qt makes the connection; once it is up, the
// transport reads and writes the socket itself, so that reading can be handed to a caller that
// waits for its own reply (see requestSocket()).
class TcpTransport final : public DeviceTransport
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TcpTransport)

public:
    TcpTransport(QString host, quint16 port);
    ~TcpTransport() override;

    void open(int timeoutMs) override;
    bool write(QByteArrayView bytes) override;
    qint64 bytesToWrite() const override { return m_channel ? m_channel->bytesToWrite() : 0; }
    QByteArray read(qint64 maxSize) override;
    void close() override;
    void setReading(bool on) override;
    int requestSocket() const override { return m_channel && !m_failed ? m_channel->fd() : -1; }

private:
    const QString& where() const { return m_where; }
    QString reason(QAbstractSocket::SocketError error) const;
    QString reason(int error) const;
    void fail(const QString& reason);
    void takeOver();

    QString m_host;
    quint16 m_port;
    QString m_where; // "host:port", made once
    QTcpSocket m_socket;
    QTimer m_connectTimer;
    FdChannel* m_channel = nullptr; // the connection once it is up
    bool m_failed = false;
};

} // namespace escpos
