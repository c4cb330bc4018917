#pragma once

#include "backends/escpos/DeviceTransport.h"
#include "backends/escpos/FdChannel.h"

namespace escpos {

// A device file: a character device such as /dev/usb/lp0, or a FIFO another program reads.
// Opened non-blocking, so a printer that takes no data never blocks a thread. Regular files,
// directories and anything else are refused; a FIFO is opened for writing only, so one that
// nobody reads fails at once.
class FileTransport final : public DeviceTransport
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FileTransport)

public:
    FileTransport(QString path, bool readBack);
    ~FileTransport() override;

    // A FIFO carries data one way only, so a device behind one never answers.
    static bool isFifo(const QString& path);

    void open(int timeoutMs) override;
    bool write(QByteArrayView bytes) override;
    qint64 bytesToWrite() const override;
    QByteArray read(qint64 maxSize) override;
    void close() override;
    void setReading(bool on) override;

private:
    QString openFile();

    QString m_path;
    bool m_readBack;
    FdChannel* m_channel = nullptr;
};

} // namespace escpos
