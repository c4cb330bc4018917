#include "backends/netprinter/ServePrinter.h"

#include "backends/netprinter/NetworkPrinter.h"
#include "backends/sim/SimulatedDevices.h"

#include <QCoreApplication>
#include <QDir>
#include <QSocketNotifier>
#include <QTextStream>
#include <csignal>
#include <sys/signalfd.h>
#include <unistd.h>

namespace netprinter {

namespace {

constexpr int kCannotRun = 2;
constexpr qsizetype kRollItems = 100000; // a receipt longer than this loses its top

sigset_t stopSignals()
{
    sigset_t stopping;
    sigemptyset(&stopping);
    sigaddset(&stopping, SIGTERM);
    sigaddset(&stopping, SIGINT);
    return stopping;
}

// SIGTERM and SIGINT arrive as readable data instead of interrupting the program. Returns the
// descriptor, or -1.
int signalDescriptor()
{
    if (!blockStopSignals())
        return -1;
    const sigset_t stopping = stopSignals();
    return signalfd(-1, &stopping, SFD_CLOEXEC | SFD_NONBLOCK);
}

// Writes one picture per cut: the items after the previous cut up to and with this one.
class ReceiptFiles
{
public:
    ReceiptFiles(sim::SimulatedPrinter& printer, QString folder, const ReceiptWriter& write,
                 QTextStream& err)
        : m_printer(printer), m_folder(std::move(folder)), m_write(write), m_err(err)
    {}

    void cutPrinted()
    {
        const QVector<sim::ReceiptItem> items = m_printer.receipt();
        const qint64 printed = m_printer.receiptItemsPrinted();
        const qint64 first = printed - items.size(); // the number of the oldest item kept
        qint64 from = std::max(m_next, first);
        for (qint64 i = from; i < printed; ++i) {
            const auto kind = items[static_cast<qsizetype>(i - first)].kind;
            if (kind != sim::ReceiptItem::Kind::FullCut &&
                kind != sim::ReceiptItem::Kind::PartialCut)
                continue;
            write(items.mid(static_cast<qsizetype>(from - first),
                            static_cast<qsizetype>(i + 1 - from)));
            from = i + 1;
        }
        m_next = from;
    }

private:
    void write(const QVector<sim::ReceiptItem>& receipt)
    {
        const QString path = QDir(m_folder).filePath(
            QStringLiteral("receipt-%1.png").arg(++m_count, 4, 10, QLatin1Char('0')));
        try {
            m_write(receipt, path);
        } catch (const std::exception& error) {
            m_err << path << ": " << error.what() << '\n';
            m_err.flush();
        }
    }

    sim::SimulatedPrinter& m_printer;
    QString m_folder;
    const ReceiptWriter& m_write;
    QTextStream& m_err;
    qint64 m_next = 0;
    int m_count = 0;
};

} // namespace

bool blockStopSignals()
{
    const sigset_t stopping = stopSignals();
    return pthread_sigmask(SIG_BLOCK, &stopping, nullptr) == 0;
}

int servePrinter(const ServeOptions& options, const ReceiptWriter& writeReceipt, QTextStream& out,
                 QTextStream& err)
{
    const int stopFd = signalDescriptor();
    if (stopFd < 0) {
        err << "cannot watch for SIGTERM and SIGINT\n";
        err.flush();
        return kCannotRun;
    }
    if (!options.receiptsDir.isEmpty() && !QDir().mkpath(options.receiptsDir)) {
        err << options.receiptsDir << ": cannot create the folder for the receipts\n";
        err.flush();
        ::close(stopFd);
        return kCannotRun;
    }
    sim::SimulatedDevices devices;
    devices.printer().setReceiptCapacity(kRollItems);
    PrinterServer::Limits limits;
    limits.everyCommand = true;
    NetworkPrinter printer(devices.printer(), devices.cashDrawer(), limits);
    QObject::connect(&printer, &NetworkPrinter::transcriptLine, &printer,
                     [&out](const QString& line) {
                         out << line << '\n';
                         out.flush();
                     });
    ReceiptFiles files(devices.printer(), options.receiptsDir, writeReceipt, err);
    if (!options.receiptsDir.isEmpty())
        QObject::connect(&printer, &NetworkPrinter::cutPrinted, &printer,
                         [&files] { files.cutPrinted(); });
    QObject::connect(&devices.cashDrawer(), &sim::SimulatedCashDrawer::drawerChanged, &printer,
                     [&out](bool open) {
                         out << (open ? "drawer opened\n" : "drawer closed\n");
                         out.flush();
                     });

    if (const QString error = printer.listen(options.address); !error.isEmpty()) {
        err << error << '\n';
        err.flush();
        ::close(stopFd);
        return kCannotRun;
    }
    if (!parseListenAddress(options.address).isLocalOnly()) {
        err << "warning: listening on " << options.address
            << ": anyone who can reach this address can print on the bench\n";
        err.flush();
    }
    QSocketNotifier stopper(stopFd, QSocketNotifier::Read);
    QObject::connect(&stopper, &QSocketNotifier::activated, &stopper, [stopFd, &out] {
        signalfd_siginfo info{};
        if (::read(stopFd, &info, sizeof info) == sizeof info)
            out << "stopping on " << (info.ssi_signo == SIGINT ? "SIGINT" : "SIGTERM") << '\n';
        QCoreApplication::quit();
    });
    QCoreApplication::exec();
    printer.stop();
    ::close(stopFd);
    out << "stopped\n";
    out.flush();
    return 0;
}

} // namespace netprinter
