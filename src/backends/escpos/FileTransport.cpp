#include "backends/escpos/FileTransport.h"

#include "backends/escpos/ByteTrace.h"
#include "backends/escpos/DeviceErrors.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace escpos {

FileTransport::FileTransport(QString path, bool readBack)
    : ChannelTransport(fileTrace(), std::move(path)), m_readBack(readBack)
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
    const QByteArray path = where().toLocal8Bit();
    struct stat info
    {};
    if (::stat(path.constData(), &info) != 0)
        return deviceError(where(), errno);
    const int flags = O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    int fd = -1;
    if (S_ISFIFO(info.st_mode)) {
        m_readBack = false;
        fd = ::open(path.constData(), O_WRONLY | flags);
        if (fd < 0 && errno == ENXIO)
            return QStringLiteral("nobody reads the FIFO %1").arg(where());
    } else if (S_ISCHR(info.st_mode)) {
        fd = ::open(path.constData(), (m_readBack ? O_RDWR : O_WRONLY) | flags);
        // A one-way device may refuse to be opened for reading.
        if (fd < 0 && m_readBack && (errno == EACCES || errno == EROFS || errno == EINVAL)) {
            m_readBack = false;
            fd = ::open(path.constData(), O_WRONLY | flags);
        }
    } else if (S_ISDIR(info.st_mode)) {
        return deviceError(where(), EISDIR);
    } else if (S_ISREG(info.st_mode)) {
        return QStringLiteral("%1 is a regular file, not a device").arg(where());
    } else {
        return QStringLiteral("%1 is not a device").arg(where());
    }
    if (fd < 0)
        return deviceError(where(), errno);
    // End of file (a device that never answers, such as /dev/null) or a device that cannot be
    // read (EINVAL on a one-way printer) ends the reading, not the connection.
    attach(fd, m_readBack);
    return {};
}

void FileTransport::writeFailed(int error)
{
    emit failed(deviceError(where(), error));
}

} // namespace escpos
