#pragma once

#include "backends/escpos/ChannelTransport.h"

namespace escpos {

// A device file: a character device such as /dev/usb/lp0, or a FIFO another program reads.
// Opened non-blocking, so a printer that takes no data never blocks a thread. Regular files,
// directories and anything else are refused; a FIFO is opened for writing only, so one that
// nobody reads fails at once.
class FileTransport final : public ChannelTransport
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FileTransport)

public:
    FileTransport(QString path, bool readBack);
    ~FileTransport() override;

    // A FIFO carries data one way only, so a device behind one never answers.
    static bool isFifo(const QString& path);

    void open(int timeoutMs) override;

private:
    QString openFile();
    void writeFailed(int error) override;

    bool m_readBack;
};

} // namespace escpos
