#include "backends/escpos/FdChannel.h"

#include "backends/escpos/DeviceTransport.h"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace escpos {

namespace {

// write() on a FIFO or socket whose reader went away raises SIGPIPE, which ends the process
// unless ignored. The signal is blocked on this thread for the call and a SIGPIPE it caused is
// taken back, so the caller sees EPIPE and nothing else, whatever the process does with it.
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

bool isSocket(int fd)
{
    struct stat status
    {};
    return ::fstat(fd, &status) == 0 && S_ISSOCK(status.st_mode);
}

} // namespace

FdChannel::FdChannel(int fd, bool readable, QObject* parent)
    : QObject(parent), m_fd(fd), m_socket(isSocket(fd)), m_writeNotifier(fd, QSocketNotifier::Write)
{
    if (readable) {
        m_readNotifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
        connect(m_readNotifier, &QSocketNotifier::activated, this, &FdChannel::readyRead);
    }
    m_writeNotifier.setEnabled(false);
    connect(&m_writeNotifier, &QSocketNotifier::activated, this, [this] { writePending(); });
}

FdChannel::~FdChannel()
{
    close();
}

bool FdChannel::write(QByteArrayView bytes)
{
    if (m_fd < 0 || m_failed)
        return false;
    m_pending.append(bytes);
    writePending();
    return !m_failed;
}

QByteArray FdChannel::read(qint64 maxSize)
{
    if (m_fd < 0 || !m_readNotifier || m_readEnded)
        return {};
    QByteArray bytes(std::min(maxSize, DeviceTransport::kReadChunk), Qt::Uninitialized);
    const ssize_t n = readNow(bytes.data(), static_cast<size_t>(bytes.size()));
    if (n > 0) {
        bytes.truncate(n);
        return bytes;
    }
    const int error = n == 0 ? 0 : errno;
    if (n < 0 && (error == EAGAIN || error == EINTR))
        return {};
    // Stop asking instead of spinning on an input that has ended.
    m_readEnded = true;
    m_readNotifier->setEnabled(false);
    emit ended(error);
    return {};
}

void FdChannel::setReading(bool on)
{
    if (m_readNotifier)
        m_readNotifier->setEnabled(on && !m_readEnded);
}

void FdChannel::writePending()
{
    qint64 written = 0;
    while (!m_pending.isEmpty()) {
        const ssize_t n = writeNow(m_pending.constData(), static_cast<size_t>(m_pending.size()));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN) {
                const int error = errno;
                m_failed = true;
                m_writeNotifier.setEnabled(false);
                if (m_readNotifier)
                    m_readNotifier->setEnabled(false);
                emit failed(error);
                return;
            }
            break;
        }
        m_pending.remove(0, n);
        written += n;
    }
    m_writeNotifier.setEnabled(!m_pending.isEmpty());
    if (written > 0)
        emit bytesWritten(written);
}

// A socket may be in blocking mode for a caller that reads its reply itself (see
// DeviceTransport::requestSocket()): the channel asks for each call not to block instead.
ssize_t FdChannel::readNow(char* buffer, size_t size)
{
    return m_socket ? ::recv(m_fd, buffer, size, MSG_DONTWAIT) : ::read(m_fd, buffer, size);
}

ssize_t FdChannel::writeNow(const char* data, size_t size)
{
    return m_socket ? ::send(m_fd, data, size, MSG_DONTWAIT | MSG_NOSIGNAL)
                    : writeWithoutSigpipe(m_fd, data, size);
}

void FdChannel::close()
{
    if (m_fd < 0)
        return;
    delete m_readNotifier;
    m_readNotifier = nullptr;
    m_writeNotifier.setEnabled(false);
    // What the device takes now is handed over; it does not wait for a stalled one.
    if (!m_failed && !m_pending.isEmpty())
        (void)writeNow(m_pending.constData(), static_cast<size_t>(m_pending.size()));
    // A socket closed with input unread resets the connection, which can drop the output
    // still on its way to the device: what is there now is read first.
    char unread[4096];
    for (int chunk = 0; chunk < 16 && readNow(unread, sizeof unread) > 0; ++chunk) {
    }
    ::close(m_fd);
    m_fd = -1;
    m_pending.clear();
}

} // namespace escpos
