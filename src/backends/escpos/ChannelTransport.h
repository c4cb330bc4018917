#pragma once

#include "backends/escpos/DeviceTransport.h"
#include "backends/escpos/FdChannel.h"

#include <QLoggingCategory>

namespace escpos {

// A transport whose connection, once made, is one descriptor read and written through an
// FdChannel (a device file, or a TCP socket once connected), with its bytes traced under the
// transport's own category.
class ChannelTransport : public DeviceTransport
{
public:
    bool write(QByteArrayView bytes) override;
    qint64 bytesToWrite() const override;
    QByteArray read(qint64 maxSize) override;
    void setReading(bool on) override;
    // Hands the system what it takes without waiting, then closes the descriptor.
    void close() override;

protected:
    ChannelTransport(const QLoggingCategory& trace, QString where);

    // The device as traces and reasons name it ("192.0.2.10:9100", "/dev/usb/lp0").
    const QString& where() const { return m_where; }
    // Reads and writes fd from now on, and owns it.
    void attach(int fd, bool readable);
    const FdChannel* channel() const { return m_channel; }
    // Nothing is read or written any more: the connection failed.
    void stopChannel();
    // The system refused to take output (errno).
    virtual void writeFailed(int error) = 0;
    // The input ended: errno 0 at its end, else the error that ended it.
    virtual void inputEnded(int /*error*/) {}

private:
    const QLoggingCategory& m_trace;
    QString m_where;
    FdChannel* m_channel = nullptr;
    bool m_stopped = false;
};

} // namespace escpos
