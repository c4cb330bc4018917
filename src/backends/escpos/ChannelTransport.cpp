#include "backends/escpos/ChannelTransport.h"

#include "backends/escpos/ByteTrace.h"

namespace escpos {

ChannelTransport::ChannelTransport(const QLoggingCategory& trace, QString where)
    : m_trace(trace), m_where(std::move(where))
{}

void ChannelTransport::attach(int fd, bool readable)
{
    m_channel = new FdChannel(fd, readable, this);
    connect(m_channel, &FdChannel::readyRead, this, &DeviceTransport::readyRead);
    connect(m_channel, &FdChannel::bytesWritten, this, &DeviceTransport::bytesWritten);
    connect(m_channel, &FdChannel::failed, this, [this](int error) { writeFailed(error); });
    connect(m_channel, &FdChannel::ended, this, [this](int error) { inputEnded(error); });
}

bool ChannelTransport::write(QByteArrayView bytes)
{
    if (!m_channel || m_stopped)
        return false;
    traceBytes(m_trace, m_where, "sent", bytes);
    return m_channel->write(bytes);
}

qint64 ChannelTransport::bytesToWrite() const
{
    return m_channel ? m_channel->bytesToWrite() : 0;
}

QByteArray ChannelTransport::read(qint64 maxSize)
{
    if (!m_channel || m_stopped)
        return {};
    QByteArray bytes = m_channel->read(maxSize);
    traceBytes(m_trace, m_where, "received", bytes);
    return bytes;
}

void ChannelTransport::setReading(bool on)
{
    if (m_channel)
        m_channel->setReading(on && !m_stopped);
}

void ChannelTransport::stopChannel()
{
    m_stopped = true;
    setReading(false);
}

void ChannelTransport::close()
{
    delete m_channel;
    m_channel = nullptr;
}

} // namespace escpos
