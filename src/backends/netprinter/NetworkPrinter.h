#pragma once

#include "backends/netprinter/PrinterServer.h"

#include <QObject>
#include <QThread>

namespace sim {
class SimulatedPrinter;
class SimulatedCashDrawer;
} // namespace sim

namespace netprinter {

// The simulated printer listening as an ESC/POS network printer, on a thread of its own so that
// no client can hold up the caller. Its signals arrive on the caller's thread. Destroy it
// before the simulated devices it serves.
class NetworkPrinter : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NetworkPrinter)

public:
    NetworkPrinter(sim::SimulatedPrinter& printer, sim::SimulatedCashDrawer& drawer,
                   PrinterServer::Limits limits = {}, QObject* parent = nullptr);
    ~NetworkPrinter() override;

    // Listens on "[ADDRESS:]PORT" (port 0: any free one); empty on success, else the reason.
    QString listen(const QString& address);
    // Opens a pseudo-terminal as a serial port too; empty on success, else the reason.
    QString openPseudoTerminal();
    void stop();

    bool isListening() const { return m_port != 0; }
    quint16 port() const { return m_port; }
    QString pseudoTerminalPath() const { return m_ptyPath; }

signals:
    void transcriptLine(const QString& line);
    void activity(const QString& client, qint64 bytes);
    void cutPrinted();
    void jobEnded(int job);

private:
    void ensureServer();

    sim::SimulatedPrinter& m_printer;
    sim::SimulatedCashDrawer& m_drawer;
    PrinterServer::Limits m_limits;
    QThread m_thread;
    PrinterServer* m_server = nullptr; // lives on m_thread
    quint16 m_port = 0;
    QString m_ptyPath;
};

} // namespace netprinter
