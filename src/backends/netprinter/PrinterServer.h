#pragma once

#include "backends/netprinter/VirtualPrinterDevice.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTimer>
#include <deque>
#include <memory>

class QIODevice;

namespace netprinter {

class EscPosInterpreter;
class PtyPort;

// Where to listen: "[ADDRESS:]PORT"; the address is 127.0.0.1 when left out.
struct ListenAddress
{
    QHostAddress host;
    quint16 port = 0;
    QString text() const;
    // Anyone who can reach a non-loopback address can print on the bench.
    bool isLocalOnly() const { return host.isLoopback(); }
};
// Throws std::invalid_argument with the reason for a malformed address.
ListenAddress parseListenAddress(const QString& text);

// The network face of the simulated printer, on the thread it was moved to: takes one job (a
// TCP connection) at a time through an ESC/POS interpreter; others wait their turn for a while
// and are then refused with the reason. A pseudo-terminal, when opened, is a second port with
// its own interpreter. Reads stop while the printer holds more than it may, and while the
// answers the client does not read pile up, so no client takes unbounded memory.
class PrinterServer : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PrinterServer)

public:
    struct Limits
    {
        int waitMs = 10000; // how long a client waits for the job before it
        int maxWaiting = 8; // more than this are refused at once
        // A line per command for transcriptLine; off, only jobs and refusals are told.
        bool everyCommand = false;
    };

    PrinterServer(VirtualPrinterDevice device, Limits limits, QObject* parent = nullptr);
    ~PrinterServer() override;

    // Both answer an empty text on success, else the reason.
    QString listen(const ListenAddress& address);
    QString openPseudoTerminal(); // the path in `path`
    void stop();

    QString pseudoTerminalPath() const;
    quint16 serverPort() const { return m_server.serverPort(); }

    // The device's switches or sensors changed.
    void deviceChanged();

signals:
    void transcriptLine(const QString& line);
    // The client being served ("" when none) and what it sent so far.
    void activity(const QString& client, qint64 bytes);
    // A job's output reached a cut; cut counts from 1 within the run.
    void cutPrinted();
    void jobEnded(int job);

private:
    struct Job
    {
        QPointer<QIODevice> device;
        std::unique_ptr<EscPosInterpreter> interpreter;
        int number = 0;
        QString peer;
        qint64 bytes = 0;
        // While the job takes no more input, a look now and then: at what came meanwhile, and
        // whether the client is still there, which the socket no longer says once its buffer
        // is full.
        QTimer paused;
    };
    struct Waiting
    {
        QPointer<QTcpSocket> socket;
        QTimer* timer = nullptr;
    };

    void accept();
    void start(QIODevice* device, const QString& peer, std::unique_ptr<Job>& slot);
    void read(Job& job);
    void end(std::unique_ptr<Job>& slot);
    void end(Job* job); // the job in whichever slot holds it
    void startNext();
    void refuse(QTcpSocket* socket, const QString& reason);
    // Takes the waiting client of this timer out of the queue; null when it is gone already.
    QTcpSocket* takeWaiting(QTimer* timer);
    void publish();

    VirtualPrinterDevice m_device;
    Limits m_limits;
    QTcpServer m_server;
    std::unique_ptr<Job> m_job;
    std::unique_ptr<Job> m_ptyJob;
    PtyPort* m_pty = nullptr;
    std::deque<Waiting> m_waiting;
    int m_jobs = 0;
    QElapsedTimer m_published;
    QTimer m_publishLater;
};

} // namespace netprinter
