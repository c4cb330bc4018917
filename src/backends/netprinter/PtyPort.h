#pragma once

#include <QIODevice>
#include <QString>

class QSocketNotifier;

namespace netprinter {

// A pseudo-terminal whose far end (/dev/pts/N) a POS application opens as a serial printer.
// This end reads what it writes and writes the printer's answers back; raw mode, no echo. The
// port keeps the far end open itself, so an application may open and close it as often as it
// likes without hanging up this end.
class PtyPort : public QIODevice
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PtyPort)

public:
    explicit PtyPort(QObject* parent = nullptr);
    ~PtyPort() override;

    // Creates the pseudo-terminal; throws std::runtime_error with the reason when it cannot.
    void create();
    QString path() const { return m_path; }

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;
    void close() override;

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    int m_master = -1;
    int m_farEnd = -1;
    QString m_path;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace netprinter
