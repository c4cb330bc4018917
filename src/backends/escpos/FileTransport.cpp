#include "backends/escpos/FileTransport.h"

#include "backends/escpos/ByteTrace.h"
#include "backends/escpos/DeviceErrors.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace escpos {

FileTransport::FileTransport(QString path, bool readBack)
    : m_path(std::move(path)), m_readBack(readBack)
{}

FileTransport::~FileTransport()
{
    close();
}

bool FileTransport::isFifo(const QString& path)
{
    struct stat info
    {};
    return ::stat(path.toLocal8Bit().constData(), &info) == 0 && S_ISFIFO(info.st_mode);
}

void FileTransport::open(int /*timeoutMs*/)
{
    // Opening a device file does not wait; the answer still comes on the event loop, as for
    // the other transports.
    const QString why = openFile();
    answerOpen(why);
}

// Opens the file when it is a device; otherwise the reason.
QString FileTransport::openFile()
{
    const QByteArray path = m_path.toLocal8Bit();
    struct stat info
    {};
    if (::stat(path.constData(), &info) != 0)
        return deviceError(m_path, errno);
    const int flags = O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    int fd = -1;
    if (S_ISFIFO(info.st_mode)) {
        m_readBack = false;
        fd = ::open(path.constData(), O_WRONLY | flags);
        if (fd < 0 && errno == ENXIO)
            return QStringLiteral("nobody reads the FIFO %1").arg(m_path);
    } else if (S_ISCHR(info.st_mode)) {
        fd = ::open(path.constData(), (m_readBack ? O_RDWR : O_WRONLY) | flags);
        // A one-way device may refuse to be opened for reading.
        if (fd < 0 && m_readBack && (errno == EACCES || errno == EROFS || errno == EINVAL)) {
            m_readBack = false;
            fd = ::open(path.constData(), O_WRONLY | flags);
        }
    } else if (S_ISDIR(info.st_mode)) {
        return deviceError(m_path, EISDIR);
    } else if (S_ISREG(info.st_mode)) {
        return QStringLiteral("%1 is a regular file, not a device").arg(m_path);
    } else {
        return QStringLiteral("%1 is not a device").arg(m_path);
    }
    if (fd < 0)
        return deviceError(m_path, errno);
    m_channel = new FdChannel(fd, m_readBack, this);
    connect(m_channel, &FdChannel::readyRead, this, &DeviceTransport::readyRead);
    connect(m_channel, &FdChannel::bytesWritten, this, &DeviceTransport::bytesWritten);
    connect(m_channel, &FdChannel::failed, this,
            [this](int error) { emit failed(deviceError(m_path, error)); });
    return {};
}

bool FileTransport::write(QByteArrayView bytes)
{
    if (!m_channel)
        return false;
    traceBytes(fileTrace(), m_path, "sent", bytes);
    return m_channel->write(bytes);
}

qint64 FileTransport::bytesToWrite() const
{
    return m_channel ? m_channel->bytesToWrite() : 0;
}

// End of file (a device that never answers, such as /dev/null) or a device that cannot be read
// (EINVAL on a one-way printer) ends the reading, not the connection.
QByteArray FileTransport::read(qint64 maxSize)
{
    if (!m_channel)
        return {};
    QByteArray bytes = m_channel->read(maxSize);
    if (!bytes.isEmpty())
        traceBytes(fileTrace(), m_path, "received", bytes);
    return bytes;
}

void FileTransport::setReading(bool on)
{
    if (m_channel)
        m_channel->setReading(on);
}

void FileTransport::close()
{
    delete m_channel;
    m_channel = nullptr;
}

} // namespace escpos
