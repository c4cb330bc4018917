#include "backends/netprinter/NetworkPrinter.h"

#include "backends/sim/SimulatedCompanions.h"
#include "backends/sim/SimulatedPrinter.h"

#include <stdexcept>

namespace netprinter {

NetworkPrinter::NetworkPrinter(sim::SimulatedPrinter& printer, sim::SimulatedCashDrawer& drawer,
                               PrinterServer::Limits limits, QObject* parent)
    : QObject(parent), m_printer(printer), m_drawer(drawer), m_limits(limits)
{
    m_thread.setObjectName(QStringLiteral("network printer"));
}

NetworkPrinter::~NetworkPrinter()
{
    stop();
}

void NetworkPrinter::ensureServer()
{
    if (m_server)
        return;
    m_server = new PrinterServer(VirtualPrinterDevice(m_printer, m_drawer), m_limits);
    m_server->moveToThread(&m_thread);
    connect(m_server, &PrinterServer::transcriptLine, this, &NetworkPrinter::transcriptLine);
    connect(m_server, &PrinterServer::activity, this, &NetworkPrinter::activity);
    connect(m_server, &PrinterServer::cutPrinted, this, &NetworkPrinter::cutPrinted);
    connect(m_server, &PrinterServer::jobEnded, this, &NetworkPrinter::jobEnded);
    // A fault flipped in the window reaches the clients while they print. Queued even when the
    // change comes from the server's own thread (a drawer pulse), so that it never arrives in
    // the middle of a command.
    connect(&m_printer, &sim::SimulatedPrinter::statusChanged, m_server,
            &PrinterServer::deviceChanged, Qt::QueuedConnection);
    connect(&m_drawer, &sim::SimulatedCashDrawer::drawerChanged, m_server,
            &PrinterServer::deviceChanged, Qt::QueuedConnection);
    m_thread.start();
}

QString NetworkPrinter::listen(const QString& address)
{
    ListenAddress where;
    try {
        where = parseListenAddress(address);
    } catch (const std::invalid_argument& wrong) {
        return QString::fromStdString(wrong.what());
    }
    ensureServer();
    QString error;
    quint16 port = 0;
    QMetaObject::invokeMethod(
        m_server,
        [this, &where, &error, &port] {
            error = m_server->listen(where);
            port = m_server->serverPort();
        },
        Qt::BlockingQueuedConnection);
    m_port = error.isEmpty() ? port : 0;
    return error;
}

QString NetworkPrinter::openPseudoTerminal()
{
    ensureServer();
    QString error;
    QString path;
    QMetaObject::invokeMethod(
        m_server,
        [this, &error, &path] {
            error = m_server->openPseudoTerminal();
            path = m_server->pseudoTerminalPath();
        },
        Qt::BlockingQueuedConnection);
    m_ptyPath = path;
    return error;
}

void NetworkPrinter::stop()
{
    if (!m_server)
        return;
    // The server and its sockets belong to the thread: they go there.
    QMetaObject::invokeMethod(
        m_server, [server = m_server] { delete server; }, Qt::BlockingQueuedConnection);
    m_server = nullptr;
    m_thread.quit();
    m_thread.wait();
    m_port = 0;
    m_ptyPath.clear();
}

} // namespace netprinter
