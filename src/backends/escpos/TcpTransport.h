#pragma once

#include "backends/escpos/ChannelTransport.h"

#include <QTcpSocket>
#include <QTimer>

namespace escpos {

// A raw printing port (9100): a TCP connection. Qt makes the connection; once it is up, the
// transport reads and writes the socket itself, so that reading can be handed to a caller that
// waits for its own reply (see requestSocket()).
class TcpTransport final : public ChannelTransport
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TcpTransport)

public:
    TcpTransport(QString host, quint16 port);
    ~TcpTransport() override;

    void open(int timeoutMs) override;
    void close() override;
    int requestSocket() const override { return channel() && !m_failed ? channel()->fd() : -1; }

private:
    void writeFailed(int error) override { fail(reason(error)); }
    void inputEnded(int error) override { fail(reason(error)); }
    QString reason(QAbstractSocket::SocketError error) const;
    QString reason(int error) const;
    void fail(const QString& reason);
    void takeOver();

    QString m_host;
    quint16 m_port;
    QTcpSocket m_socket;
    QTimer m_connectTimer;
    bool m_failed = false;
};

} // namespace escpos
