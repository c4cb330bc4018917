// ESC/POS output over loopback to the fake printer: asynchronous lines through the backend, each
// confirmed by the printer, against the same bytes written straight to a socket; and synchronous
// lines that each wait for the printer's status confirmation.
#include "backends/escpos/Resolvers.h"
#include "opos/DeviceRegistry.h"
#include "opos/OposConstants.h"
#include "support/FakeEscPosPrinter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <arpa/inet.h>
#include <atomic>
#include <benchmark/benchmark.h>
#include <future>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

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
                                if (!printer->print(opos::PTR_S_RECEIPT, text).ok())
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

void BM_SyncLinesWithConfirmation(benchmark::State& state)
{
    constexpr int kLines = 2'000;
    testing::FakeEscPosPrinter fake;
    opos::DeviceRegistry registry;
    escpos::addResolvers(registry, QString());
    auto printer = enabledPrinter(registry, fake);
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < kLines; ++i) {
            if (!printer->print(opos::PTR_S_RECEIPT, line(i)).ok())
                qFatal("synchronous output failed");
        }
        state.counters["lines_per_s"] = kLines / (clock.nsecsElapsed() / 1e9);
    }
    printer->close();
}
BENCHMARK(BM_SyncLinesWithConfirmation)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
