#pragma once

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>
#include <sys/types.h>

namespace escpos {

// A descriptor on the link's thread: output is handed to the system as fast as it takes it,
// input is read when asked for. Never blocks, even on a socket another thread put in blocking
// mode, and never raises SIGPIPE. The channel owns the descriptor and closes it.
class FdChannel final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FdChannel)

public:
    FdChannel(int fd, bool readable, QObject* parent = nullptr);
    ~FdChannel() override;

    int fd() const { return m_fd; }
    // Takes the bytes for sending; false (with failed()) when the system refuses them.
    bool write(QByteArrayView bytes);
    qint64 bytesToWrite() const { return m_pending.size(); }
    // At most maxSize bytes of what arrived; empty when nothing did. At the end of the input,
    // or on an error, readyRead() stops and ended() says which.
    QByteArray read(qint64 maxSize);
    void setReading(bool on);
    // Hands the system what it takes now without waiting, then closes the descriptor.
    void close();

signals:
    void readyRead();
    void bytesWritten(qint64 count);
    // Writing failed with this errno.
    void failed(int error);
    // The input ended: errno 0 at its end, else the error that ended it.
    void ended(int error);

private:
    void writePending();
    ssize_t readNow(char* buffer, size_t size);
    ssize_t writeNow(const char* data, size_t size);

    int m_fd;
    bool m_socket;
    bool m_failed = false;
    bool m_readEnded = false;
    QByteArray m_pending;
    QSocketNotifier* m_readNotifier = nullptr;
    QSocketNotifier m_writeNotifier;
};

} // namespace escpos
