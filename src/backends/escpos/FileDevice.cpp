#include "backends/escpos/FileDevice.h"

#include <QSocketNotifier>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace escpos {

FileDevice::FileDevice(QString path, QObject* parent) : QIODevice(parent), m_path(std::move(path))
{}

FileDevice::~FileDevice()
{
    close();
}

bool FileDevice::open(OpenMode mode)
{
    if (isOpen())
        return false;
    const QByteArray path = m_path.toLocal8Bit();
    m_fd = ::open(path.constData(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (m_fd < 0 && (errno == EACCES || errno == EROFS))
        m_fd = ::open(path.constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (m_fd < 0) {
        setErrorString(QStringLiteral("%1: %2").arg(m_path, qt_error_string(errno)));
        return false;
    }
    m_readNotifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, [this] { emit readyRead(); });
    m_writeNotifier = new QSocketNotifier(m_fd, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, [this] { writePending(); });
    return QIODevice::open(mode | QIODevice::Unbuffered);
}

void FileDevice::close()
{
    if (m_fd < 0)
        return;
    delete m_readNotifier;
    delete m_writeNotifier;
    m_readNotifier = m_writeNotifier = nullptr;
    ::close(m_fd);
    m_fd = -1;
    m_pending.clear();
    QIODevice::close();
}

qint64 FileDevice::readData(char* data, qint64 maxSize)
{
    if (m_fd < 0)
        return -1;
    const ssize_t n = ::read(m_fd, data, static_cast<size_t>(maxSize));
    if (n >= 0)
        return n;
    if (errno != EAGAIN && errno != EINTR && m_readNotifier) {
        // A one-way device cannot be read (EINVAL): stop asking instead of spinning.
        m_readNotifier->setEnabled(false);
    }
    return 0;
}

qint64 FileDevice::writeData(const char* data, qint64 size)
{
    if (m_fd < 0)
        return -1;
    m_pending.append(data, size);
    m_writeNotifier->setEnabled(true);
    return size;
}

void FileDevice::writePending()
{
    while (!m_pending.isEmpty()) {
        const ssize_t n =
            ::write(m_fd, m_pending.constData(), static_cast<size_t>(m_pending.size()));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN)
                fail(errno);
            return;
        }
        m_pending.remove(0, n);
        emit bytesWritten(n);
    }
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(false);
}

void FileDevice::fail(int error)
{
    const QString reason = QStringLiteral("%1: %2").arg(m_path, qt_error_string(error));
    setErrorString(reason);
    m_writeNotifier->setEnabled(false);
    emit failed(reason);
}

} // namespace escpos
