#pragma once

#include "backends/escpos/DeviceTransport.h"

#include <QSerialPort>

namespace escpos {

// A serial port (/dev/ttyUSB0, /dev/ttyS0) with the address's line settings.
class SerialTransport final : public DeviceTransport
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SerialTransport)

public:
    SerialTransport(QString path, const SerialSettings& settings);
    ~SerialTransport() override;

    void open(int timeoutMs) override;
    bool write(QByteArrayView bytes) override;
    qint64 bytesToWrite() const override { return m_port.bytesToWrite(); }
    QByteArray read(qint64 maxSize) override;
    void close() override;

private:
    QString reason() const;
    void fail();

    QString m_path;
    QSerialPort m_port;
    bool m_failed = false;
};

} // namespace escpos
