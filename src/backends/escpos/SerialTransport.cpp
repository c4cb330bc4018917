#include "backends/escpos/SerialTransport.h"

#include "backends/escpos/ByteTrace.h"
#include "backends/escpos/DeviceErrors.h"

#include <cerrno>

namespace escpos {

SerialTransport::SerialTransport(QString path, const SerialSettings& settings)
    : m_path(std::move(path)), m_port(m_path, this)
{
    m_port.setBaudRate(settings.baud);
    m_port.setParity(settings.parity);
    m_port.setDataBits(settings.dataBits);
    m_port.setStopBits(settings.stopBits);
    m_port.setFlowControl(settings.flow);
    // Keep reads bounded: the port never holds more than this unread.
    m_port.setReadBufferSize(kReadChunk);
    connect(&m_port, &QSerialPort::readyRead, this, &DeviceTransport::readyRead);
    connect(&m_port, &QSerialPort::bytesWritten, this, &DeviceTransport::bytesWritten);
}

SerialTransport::~SerialTransport()
{
    close();
}

void SerialTransport::open(int /*timeoutMs*/)
{
    const bool ok = m_port.open(QIODevice::ReadWrite);
    const QString why = ok ? QString() : reason();
    if (ok) {
        connect(&m_port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
            if (e != QSerialPort::NoError && e != QSerialPort::TimeoutError)
                fail();
        });
    }
    answerOpen(why);
}

bool SerialTransport::write(QByteArrayView bytes)
{
    if (m_failed || m_port.write(bytes.data(), bytes.size()) != bytes.size()) {
        fail();
        return false;
    }
    traceBytes(serialTrace(), m_path, "sent", bytes);
    return true;
}

QByteArray SerialTransport::read(qint64 maxSize)
{
    QByteArray bytes = m_port.read(maxSize);
    traceBytes(serialTrace(), m_path, "received", bytes);
    return bytes;
}

void SerialTransport::close()
{
    m_port.disconnect(this);
    if (m_port.isOpen()) {
        m_port.flush();
        m_port.close();
    }
}

QString SerialTransport::reason() const
{
    switch (m_port.error()) {
    case QSerialPort::DeviceNotFoundError:
        return deviceError(m_path, ENOENT);
    case QSerialPort::PermissionError:
        return deviceError(m_path, EACCES);
    case QSerialPort::ResourceError:
        return QStringLiteral("%1 went away (unplugged?)").arg(m_path);
    default:
        return QStringLiteral("%1: %2").arg(m_path, m_port.errorString());
    }
}

void SerialTransport::fail()
{
    if (m_failed)
        return;
    m_failed = true;
    emit failed(reason());
}

} // namespace escpos
