#include "backends/netprinter/PtyPort.h"

#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace netprinter {

namespace {

[[noreturn]] void fail(const char* what)
{
    throw std::runtime_error(std::string("cannot create a pseudo-terminal: ") + what + ": " +
                             std::strerror(errno));
}

} // namespace

PtyPort::PtyPort(QObject* parent) : QIODevice(parent) {}

PtyPort::~PtyPort()
{
    close();
}

void PtyPort::create()
{
    close();
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_master < 0)
        fail("posix_openpt");
    std::array<char, 128> name{};
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0 ||
        ::ptsname_r(m_master, name.data(), name.size()) != 0) {
        const int error = errno;
        close();
        errno = error;
        fail("grantpt/unlockpt");
    }
    m_path = QString::fromLocal8Bit(name.data());
    m_farEnd = ::open(name.data(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_farEnd < 0) {
        const int error = errno;
        close();
        errno = error;
        fail("open the far end");
    }
    // Raw: bytes pass unchanged and nothing is echoed back to the application.
    termios mode{};
    if (::tcgetattr(m_farEnd, &mode) == 0) {
        ::cfmakeraw(&mode);
        ::tcsetattr(m_farEnd, TCSANOW, &mode);
    }
    m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &PtyPort::readyRead);
    QIODevice::open(QIODevice::ReadWrite | QIODevice::Unbuffered);
}

qint64 PtyPort::bytesAvailable() const
{
    int count = 0;
    if (m_master >= 0 && ::ioctl(m_master, FIONREAD, &count) == 0)
        return count + QIODevice::bytesAvailable();
    return QIODevice::bytesAvailable();
}

void PtyPort::close()
{
    delete m_notifier;
    m_notifier = nullptr;
    if (m_farEnd >= 0)
        ::close(m_farEnd);
    if (m_master >= 0)
        ::close(m_master);
    m_farEnd = m_master = -1;
    if (isOpen())
        QIODevice::close();
}

qint64 PtyPort::readData(char* data, qint64 maxSize)
{
    const ssize_t n = ::read(m_master, data, static_cast<size_t>(maxSize));
    if (n < 0)
        return errno == EAGAIN || errno == EINTR ? 0 : -1;
    return n;
}

qint64 PtyPort::writeData(const char* data, qint64 size)
{
    const ssize_t n = ::write(m_master, data, static_cast<size_t>(size));
    if (n < 0)
        return errno == EAGAIN || errno == EINTR ? 0 : -1;
    return n;
}

} // namespace netprinter
