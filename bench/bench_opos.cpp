// The control layer over the instant simulated printer: synchronous calls, and asynchronous
// calls whose completion events are delivered on the GUI thread.
#include "SimulatedPrinterBench.h"
#include "WidgetBenchmarkMain.h"
#include "backends/sim/SimulatedDevices.h"
#include "opos/DeviceRegistry.h"
#include "opos/OposConstants.h"
#include "opos/PosPrinter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <benchmark/benchmark.h>

namespace {

using Bench = SimulatedPrinterBench;

const QString kLine = QStringLiteral("\x1b|bCTOTAL\x1b|N                     12.34\n");

void BM_SyncPrintNormal(benchmark::State& state)
{
    Bench bench;
    int64_t failures = 0;
    for (auto _ : state) {
        if (bench.printer.PrintNormal(opos::PTR_S_RECEIPT, kLine) != opos::OPOS_SUCCESS)
            ++failures;
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["calls/s"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["failures"] = double(failures);
    state.counters["roll items"] = double(bench.devices.printer().receipt().size());
}
BENCHMARK(BM_SyncPrintNormal)->Iterations(100'000)->Unit(benchmark::kMillisecond);

void BM_AsyncPrintNormal(benchmark::State& state)
{
    constexpr int kCalls = 10'000;
    Bench bench;
    bench.printer.SetAsyncMode(true);
    int completed = 0;
    QObject::connect(&bench.printer, &opos::PosPrinter::OutputCompleteEvent, &bench.printer,
                     [&completed](int32_t) { ++completed; });
    double seconds = 0;
    for (auto _ : state) {
        completed = 0;
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < kCalls; ++i)
            bench.printer.PrintNormal(opos::PTR_S_RECEIPT, kLine);
        while (completed < kCalls)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        seconds += clock.nsecsElapsed() / 1e9;
    }
    state.counters["events/s"] = double(kCalls) * double(state.iterations()) / seconds;
    state.counters["state"] = bench.printer.State();
}
BENCHMARK(BM_AsyncPrintNormal)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    return runBenchmarksIn<QCoreApplication>(argc, argv);
}
