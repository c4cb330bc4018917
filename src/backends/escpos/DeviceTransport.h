#pragma once

#include "backends/escpos/DeviceSettings.h"

#include <QByteArray>
#include <QObject>
#include <functional>
#include <memory>

namespace escpos {

// One way of reaching a device (a TCP socket, a device file, a serial port). It lives on the
// link's thread and never blocks: opening, writing and reading run on the event loop.
class DeviceTransport : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DeviceTransport)

public:
    // Reads bring in at most this much at a time, so a chatty device cannot take all memory.
    static constexpr qint64 kReadChunk = 4096;

    DeviceTransport() = default;
    ~DeviceTransport() override = default;

    // Starts opening: opened() or failed() follows, within timeoutMs. Either may come at once.
    virtual void open(int timeoutMs) = 0;
    // Takes the bytes for sending; false (with failed()) when the device is gone.
    virtual bool write(QByteArrayView bytes) = 0;
    // Bytes taken by write() and not yet handed to the operating system.
    virtual qint64 bytesToWrite() const = 0;
    // What arrived, at most maxSize bytes; empty when nothing did.
    virtual QByteArray read(qint64 maxSize) = 0;
    // Hands the system what it takes without waiting, then lets go of the device.
    virtual void close() = 0;
    // Stops or resumes readyRead() for input waiting to be read, so that a device sending
    // without end is not spun on. Transports whose read buffer is bounded need do nothing:
    // what is not read stays with the system.
    virtual void setReading(bool /*on*/) {}
    // A socket on which another thread may send a small request while nothing else is being
    // written, and read its reply; -1 when the transport has none. That thread may put the
    // socket in blocking mode: the transport's own reads and writes on it never block anyway.
    virtual int requestSocket() const { return -1; }

protected:
    // Answers open() on the next turn of the event loop: opened() when `why` is empty, else
    // failed(why). A caller never hears the answer from inside its own call.
    void answerOpen(const QString& why);

signals:
    void opened();
    // Opening failed or the device went away; the reason is in words a technician acts on.
    void failed(const QString& reason);
    void readyRead();
    void bytesWritten(qint64 count);
};

// Makes the transport for an address. `readBack` is false for a device that cannot answer
// (status=none): nothing is read from it.
using TransportFactory =
    std::function<std::unique_ptr<DeviceTransport>(const Address& address, bool readBack)>;

std::unique_ptr<DeviceTransport> makeTransport(const Address& address, bool readBack);

} // namespace escpos
