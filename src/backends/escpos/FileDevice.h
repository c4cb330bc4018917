#pragma once

#include <QIODevice>
#include <QString>

class QSocketNotifier;

namespace escpos {

// A device file (a USB printer class device such as /dev/usb/lp0) opened non-blocking, so that a
// printer that takes no data never blocks a thread: writes are buffered and handed over when the
// file is writable. Reading back works only on two-way devices; elsewhere it stays silent.
class FileDevice : public QIODevice
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FileDevice)

public:
    explicit FileDevice(QString path, QObject* parent = nullptr);
    ~FileDevice() override;

    bool open(OpenMode mode) override;
    void close() override;
    bool isSequential() const override { return true; }
    qint64 bytesToWrite() const override { return m_pending.size(); }

signals:
    // The device went away or refused data (unplugged, I/O error).
    void failed(const QString& reason);

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    void writePending();
    void fail(int error);

    QString m_path;
    int m_fd = -1;
    QByteArray m_pending;
    QSocketNotifier* m_readNotifier = nullptr;
    QSocketNotifier* m_writeNotifier = nullptr;
};

} // namespace escpos
