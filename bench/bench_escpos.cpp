// ESC/POS output over loopback to the fake printer: asynchronous lines through the backend, each
// confirmed by the printer, against the same bytes written straight to a socket; and synchronous
// lines that each wait for the printer's status confirmation, against the same exchange in
// plain C.
#include "RoundRatios.h"
#include "WidgetBenchmarkMain.h"
#include "backends/escpos/DeviceStatus.h"
#include "backends/escpos/EscPosTranslator.h"
#include "backends/escpos/Resolvers.h"
#include "opos/DeviceRegistry.h"
#include "opos/OposConstants.h"
#include "support/FakeEscPosPrinter.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSet>
#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <benchmark/benchmark.h>
#include <future>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr auto kSync = opos::OutputMode::Synchronous;
constexpr auto kAsync = opos::OutputMode::Asynchronous; // as from the output worker

QString line(int i)
{
    return QStringLiteral("Item %1   1 x   12.34 EUR\n").arg(i, 6, 10, QLatin1Char('0'));
}

std::unique_ptr<opos::PrinterBackend> enabledPrinter(opos::DeviceRegistry& registry,
                                                     const testing::FakeEscPosPrinter& fake)
{
    auto lookup = registry.findPrinter(fake.address(QStringLiteral("pollInterval=500")));
    auto printer = std::move(lookup.backend);
    if (!printer || !printer->open().ok() || !printer->claim(0).ok() || !printer->enable().ok())
        qFatal("the fake printer could not be enabled");
    return printer;
}

// Blocks until the fake printer holds `bytes` bytes, or ten seconds passed.
bool waitForBytes(const testing::FakeEscPosPrinter& fake, qint64 bytes)
{
    QElapsedTimer clock;
    clock.start();
    while (fake.receivedCount() < bytes && clock.elapsed() < 10000)
        QThread::usleep(200);
    return fake.receivedCount() >= bytes;
}

// One send() per line on a plain blocking socket: the baseline.
double rawSocketSeconds(const QList<QByteArray>& lines, qint64 total)
{
    testing::FakeEscPosPrinter fake;
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(fake.port());
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        qFatal("connect failed");
    QElapsedTimer clock;
    clock.start();
    for (const QByteArray& bytes : lines) {
        if (::send(fd, bytes.constData(), static_cast<size_t>(bytes.size()), 0) != bytes.size())
            qFatal("send failed");
    }
    const bool all = waitForBytes(fake, total);
    const double seconds = clock.nsecsElapsed() / 1e9;
    ::close(fd);
    if (!all)
        qFatal("the fake printer did not receive every byte");
    return seconds;
}

void BM_AsyncLinesVersusRawSocket(benchmark::State& state)
{
    constexpr int kLines = 100'000;
    QList<QString> texts;
    QList<QByteArray> bytes;
    qint64 total = 0;
    for (int i = 0; i < kLines; ++i) {
        texts.append(line(i));
        bytes.append(texts.last().toLatin1());
        total += bytes.last().size();
    }
    for (auto _ : state) {
        const double raw = rawSocketSeconds(bytes, total);

        testing::FakeEscPosPrinter fake;
        opos::DeviceRegistry registry;
        escpos::addResolvers(registry, QString());
        auto printer = enabledPrinter(registry, fake);
        const qint64 before = fake.receivedCount();
        QElapsedTimer clock;
        clock.start();
        // Asynchronous output comes from a thread other than the one that opened the device;
        // each line is one job that counts only once the printer confirmed it.
        std::atomic<int> confirmed = 0;
        std::atomic<int> failed = 0;
        const bool ok = std::async(std::launch::async, [&] {
                            for (const QString& text : texts) {
                                if (!printer->print(opos::PTR_S_RECEIPT, text, kAsync).ok())
                                    return false;
                                printer->confirmOutput([&](const opos::DeviceResult& result) {
                                    ++(result.ok() ? confirmed : failed);
                                });
                            }
                            return true;
                        }).get();
        QElapsedTimer limit;
        limit.start();
        while (confirmed + failed < kLines && limit.elapsed() < 10000)
            QThread::usleep(100);
        if (!ok || failed > 0 || confirmed < kLines || !waitForBytes(fake, before + total))
            qFatal("asynchronous output failed");
        const double async = clock.nsecsElapsed() / 1e9;
        state.SetIterationTime(async);
        state.counters["raw_lines_per_s"] = kLines / raw;
        state.counters["async_lines_per_s"] = kLines / async;
        state.counters["async_vs_raw_percent"] = 100.0 * raw / async;
        printer->close();
    }
}
BENCHMARK(BM_AsyncLinesVersusRawSocket)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// CPU time the process's threads have used so far, in nanoseconds, leaving out the threads
// listed (the fake printer's, which serves both sides alike). From the scheduler's own count,
// which does not depend on how busy the machine is.
qint64 cpuNanos(const QSet<QString>& leftOut = {})
{
    qint64 total = 0;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (leftOut.contains(task))
            continue;
        QFile stat(tasks.filePath(task) + QStringLiteral("/schedstat"));
        if (stat.open(QIODevice::ReadOnly))
            total += stat.readAll().split(' ').value(0).toLongLong();
    }
    return total;
}

// CPU time the calling thread has used so far, in nanoseconds.
qint64 callerCpuNanos()
{
    QFile stat(QStringLiteral("/proc/thread-self/schedstat"));
    return stat.open(QIODevice::ReadOnly) ? stat.readAll().split(' ').value(0).toLongLong() : 0;
}

QSet<QString> threadIds()
{
    const QStringList ids =
        QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    return {ids.begin(), ids.end()};
}

// The exchange the control layer makes for one synchronous line, in plain C on a blocking
// socket: one send of the status request, the line and the transmit-status request, then reads
// until the three status bytes and the transmit-status byte are in.
class PlainExchange
{
public:
    explicit PlainExchange(quint16 port) : m_fd(::socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const int on = 1;
        ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        if (::connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            qFatal("connect failed");
    }
    ~PlainExchange() { ::close(m_fd); }
    PlainExchange(const PlainExchange&) = delete;
    PlainExchange& operator=(const PlainExchange&) = delete;

    void line(const QByteArray& bytes)
    {
        if (::send(m_fd, bytes.constData(), static_cast<size_t>(bytes.size()), 0) != bytes.size())
            qFatal("send failed");
        char reply[4];
        for (size_t got = 0; got < sizeof reply;) {
            const ssize_t n = ::recv(m_fd, reply + got, sizeof reply - got, 0);
            if (n <= 0)
                qFatal("the fake printer did not answer");
            got += static_cast<size_t>(n);
        }
        if (reply[3] != 0)
            qFatal("the fake printer did not confirm the line");
    }

private:
    int m_fd;
};

// Synchronous lines, each confirmed by the printer, through the control layer's ESC/POS backend
// against the same exchange in plain C, in alternating rounds on the same fake printer: the
// CPU time per line of everything but the fake printer (the caller and the link's thread), and
// the ratio of the two taken round by round.
void BM_SyncLines(benchmark::State& state)
{
    constexpr int kLines = 2'000;
    constexpr int kRounds = 5;
    QList<QString> texts;
    QList<QByteArray> exchanges;
    for (int i = 0; i < kLines; ++i) {
        texts.append(line(i));
        exchanges.append(escpos::statusRequest() + texts.last().toLatin1() +
                         escpos::cmd::transmitPaperStatus());
    }
    const QSet<QString> before = threadIds();
    testing::FakeEscPosPrinter fake;
    const QSet<QString> fakeThreads = threadIds() - before;
    opos::DeviceRegistry registry;
    escpos::addResolvers(registry, QString());
    auto printer = enabledPrinter(registry, fake);
    PlainExchange plain(fake.port());
    for (auto _ : state) {
        std::vector<double> plainUs, layerUs, callerUs, ratios;
        for (int round = 0; round < kRounds; ++round) {
            fake.clear();
            qint64 start = cpuNanos(fakeThreads);
            for (const QByteArray& bytes : exchanges)
                plain.line(bytes);
            plainUs.push_back((cpuNanos(fakeThreads) - start) / 1e3 / kLines);
            start = cpuNanos(fakeThreads);
            const qint64 callerStart = callerCpuNanos();
            for (const QString& text : texts) {
                if (!printer->print(opos::PTR_S_RECEIPT, text, kSync).ok())
                    qFatal("synchronous output failed");
            }
            callerUs.push_back((callerCpuNanos() - callerStart) / 1e3 / kLines);
            layerUs.push_back((cpuNanos(fakeThreads) - start) / 1e3 / kLines);
            ratios.push_back(layerUs.back() / plainUs.back());
        }
        state.counters["plain_cpu_us_per_line"] = median(plainUs);
        state.counters["layer_cpu_us_per_line"] = median(layerUs);
        // Of that, the calling thread's; the rest is the link's thread.
        state.counters["caller_cpu_us_per_line"] = median(callerUs);
        setRatioCounters(state, ratios);
    }
    printer->close();
}
BENCHMARK(BM_SyncLines)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return runBenchmarksIn<QCoreApplication>(argc, argv);
}
