// The simulated printer as a network printer: how fast it interprets and puts on the roll a large
// text job, and how long a real-time status request takes to be answered behind queued text and
// while other clients flood it with connections.
#include "WidgetBenchmarkMain.h"
#include "backends/netprinter/EscPosInterpreter.h"
#include "backends/netprinter/NetworkPrinter.h"
#include "backends/sim/SimulatedDevices.h"

#include <QCoreApplication>
#include <arpa/inet.h>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr qsizetype kTextJob = 10 << 20;
constexpr qsizetype kChunk = 64 << 10;

// A receipt-like text job of about `size` bytes: lines with a bold total now and then.
QByteArray textJob(qsizetype size)
{
    QByteArray job("\x1b@\x1bt\x13", 5);
    for (int i = 0; job.size() < size; ++i) {
        job += QStringLiteral("Item %1   1 x   12.34 EUR     \xe9t\xe9\n")
                   .arg(i, 6, 10, QLatin1Char('0'))
                   .toLatin1();
        if (i % 40 == 39)
            job += QByteArray("\x1b\x45\x01TOTAL 493.60\x1b\x45\x00\n\x1d\x56\x42\x03", 22);
    }
    return job;
}

void BM_InterpretTextJob(benchmark::State& state)
{
    const QByteArray job = textJob(kTextJob);
    for (auto _ : state) {
        sim::SimulatedDevices devices;
        netprinter::VirtualPrinterDevice device(devices.printer(), devices.cashDrawer());
        netprinter::EscPosInterpreter interpreter(device, {});
        for (qsizetype at = 0; at < job.size(); at += kChunk)
            interpreter.feed(QByteArrayView(job).sliced(at, std::min(kChunk, job.size() - at)));
        interpreter.finish();
        benchmark::DoNotOptimize(devices.printer().receiptItemsPrinted());
    }
    state.SetBytesProcessed(state.iterations() * job.size());
}
BENCHMARK(BM_InterpretTextJob)->Unit(benchmark::kMillisecond);

int connectTo(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        qFatal("connect failed");
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

void sendAll(int fd, const QByteArray& bytes)
{
    for (qsizetype sent = 0; sent < bytes.size();) {
        const ssize_t n = ::send(fd, bytes.constData() + sent,
                                 static_cast<size_t>(bytes.size() - sent), MSG_NOSIGNAL);
        if (n <= 0)
            qFatal("send failed");
        sent += n;
    }
}

// Sends `before` and a real-time status request; the time until its answer arrives.
double statusRoundTrip(int fd, const QByteArray& before)
{
    const auto start = std::chrono::steady_clock::now();
    sendAll(fd, before + QByteArray("\x10\x04\x01", 3));
    char answer = 0;
    while (::recv(fd, &answer, 1, 0) == 1 && answer != '\x12') {
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Arg: kilobytes of text queued before each request.
void BM_StatusLatencyBehindText(benchmark::State& state)
{
    sim::SimulatedDevices devices;
    netprinter::NetworkPrinter printer(devices.printer(), devices.cashDrawer());
    if (!printer.listen(QStringLiteral("127.0.0.1:0")).isEmpty())
        qFatal("cannot listen");
    const int fd = connectTo(printer.port());
    const QByteArray text = textJob(state.range(0) * 1024).mid(5);
    for (auto _ : state)
        state.SetIterationTime(statusRoundTrip(fd, text));
    ::close(fd);
}
BENCHMARK(BM_StatusLatencyBehindText)
    ->Arg(0)
    ->Arg(64)
    ->Arg(1024)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

// Other clients open and drop connections as fast as they can while one client asks.
void BM_StatusLatencyUnderConnectionFlood(benchmark::State& state)
{
    sim::SimulatedDevices devices;
    netprinter::NetworkPrinter printer(devices.printer(), devices.cashDrawer());
    if (!printer.listen(QStringLiteral("127.0.0.1:0")).isEmpty())
        qFatal("cannot listen");
    const int fd = connectTo(printer.port());
    statusRoundTrip(fd, {}); // the job is this client's before the flood starts
    std::atomic<bool> flooding{true};
    std::atomic<long> connections{0};
    std::thread flood([&] {
        while (flooding) {
            const int other = connectTo(printer.port());
            sendAll(other, QByteArray("\x10\x04\x01garbage", 10));
            ::close(other);
            ++connections;
        }
    });
    for (auto _ : state)
        state.SetIterationTime(statusRoundTrip(fd, {}));
    flooding = false;
    flood.join();
    state.counters["flood_connections"] = static_cast<double>(connections);
    ::close(fd);
}
BENCHMARK(BM_StatusLatencyUnderConnectionFlood)->UseManualTime()->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    return runBenchmarksIn<QCoreApplication>(argc, argv);
}
