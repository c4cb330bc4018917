#include "backends/escpos/FileTransport.h"

#include "backends/escpos/ByteTrace.h"
#include "backends/escpos/DeviceErrors.h"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace escpos {

namespace {

// write() on a FIFO whose reader went away raises SIGPIPE, which ends the process unless
// ignored. The signal is blocked on this thread for the call and a SIGPIPE it caused is taken
// back, so the caller sees EPIPE and nothing else, whatever the process does with the signal.
ssize_t writeWithoutSigpipe(int fd, const char* data, size_t size)
{
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    sigset_t pending;
    sigpending(&pending);
    const bool alreadyPending = sigismember(&pending, SIGPIPE) == 1;
    sigset_t old;
    pthread_sigmask(SIG_BLOCK, &pipe, &old);
    const ssize_t n = ::write(fd, data, size);
    const int error = errno;
    if (n < 0 && error == EPIPE && !alreadyPending) {
        const timespec now{};
        while (sigtimedwait(&pipe, nullptr, &now) < 0 && errno == EINTR) {
        }
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    errno = error;
    return n;
}

} // namespace

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
    if (S_ISFIFO(info.st_mode)) {
        m_readBack = false;
        m_fd = ::open(path.constData(), O_WRONLY | flags);
        if (m_fd < 0 && errno == ENXIO)
            return QStringLiteral("nobody reads the FIFO %1").arg(m_path);
    } else if (S_ISCHR(info.st_mode)) {
        m_fd = ::open(path.constData(), (m_readBack ? O_RDWR : O_WRONLY) | flags);
        // A one-way device may refuse to be opened for reading.
        if (m_fd < 0 && m_readBack && (errno == EACCES || errno == EROFS || errno == EINVAL)) {
            m_readBack = false;
            m_fd = ::open(path.constData(), O_WRONLY | flags);
        }
    } else if (S_ISDIR(info.st_mode)) {
        return deviceError(m_path, EISDIR);
    } else if (S_ISREG(info.st_mode)) {
        return QStringLiteral("%1 is a regular file, not a device").arg(m_path);
    } else {
        return QStringLiteral("%1 is not a device").arg(m_path);
    }
    if (m_fd < 0)
        return deviceError(m_path, errno);
    if (m_readBack) {
        m_readNotifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
        connect(m_readNotifier, &QSocketNotifier::activated, this, &DeviceTransport::readyRead);
    }
    m_writeNotifier = new QSocketNotifier(m_fd, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, [this] { writePending(); });
    return {};
}

bool FileTransport::write(QByteArrayView bytes)
{
    if (m_fd < 0 || m_failed)
        return false;
    traceBytes(fileTrace(), m_path, "sent", bytes);
    m_pending.append(bytes);
    writePending();
    return !m_failed;
}

QByteArray FileTransport::read(qint64 maxSize)
{
    if (m_fd < 0 || !m_readNotifier || m_readEnded)
        return {};
    QByteArray bytes(std::min(maxSize, kReadChunk), Qt::Uninitialized);
    const ssize_t n = ::read(m_fd, bytes.data(), static_cast<size_t>(bytes.size()));
    if (n > 0) {
        bytes.truncate(n);
        traceBytes(fileTrace(), m_path, "received", bytes);
        return bytes;
    }
    // End of file (a device that never answers, such as /dev/null) or a device that cannot be
    // read (EINVAL on a one-way printer): stop asking instead of spinning.
    if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
        m_readEnded = true;
        m_readNotifier->setEnabled(false);
    }
    return {};
}

void FileTransport::setReading(bool on)
{
    if (m_readNotifier)
        m_readNotifier->setEnabled(on && !m_readEnded);
}

void FileTransport::writePending()
{
    qint64 written = 0;
    while (!m_pending.isEmpty()) {
        const ssize_t n =
            writeWithoutSigpipe(m_fd, m_pending.constData(), static_cast<size_t>(m_pending.size()));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN) {
                fail(errno);
                return;
            }
            break;
        }
        m_pending.remove(0, n);
        written += n;
    }
    m_writeNotifier->setEnabled(!m_pending.isEmpty());
    if (written > 0)
        emit bytesWritten(written);
}

void FileTransport::close()
{
    if (m_fd < 0)
        return;
    delete m_readNotifier;
    delete m_writeNotifier;
    m_readNotifier = m_writeNotifier = nullptr;
    // What the device takes now is handed over; it does not wait for a stalled one.
    if (!m_failed && !m_pending.isEmpty())
        (void)writeWithoutSigpipe(m_fd, m_pending.constData(),
                                  static_cast<size_t>(m_pending.size()));
    ::close(m_fd);
    m_fd = -1;
    m_pending.clear();
}

void FileTransport::fail(int error)
{
    m_failed = true;
    m_writeNotifier->setEnabled(false);
    if (m_readNotifier)
        m_readNotifier->setEnabled(false);
    emit failed(deviceError(m_path, error));
}

} // namespace escpos
