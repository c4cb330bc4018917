// Start-up and status refresh of the main window: building, loading and showing frmMain in a
// running program, one status refresh, and a whole process from start to its window shown
// (run with --quit-after-ms 0, so the figure includes exit).
#include "CountingDialogs.h"
#include "WidgetBenchmarkMain.h"
#include "app/window/frmMain.h"
#include "backends/BackendSetup.h"
#include "backends/sim/SimulatedDevices.h"
#include "opos/DeviceRegistry.h"
#include "opos/PosPrinter.h"
#include "services/ModuleFlags.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>
#include <QWindow>
#include <benchmark/benchmark.h>

namespace {

// Boxes nobody answers: a benchmark must never wait for a person.
struct Devices
{
    Devices() { addDefaultBackends(registry, simulated); }
    sim::SimulatedDevices simulated;
    opos::DeviceRegistry registry;
    CountingDialogs dialogs;
};

void BM_WindowLoadAndShow(benchmark::State& state)
{
    Devices devices;
    for (auto _ : state) {
        frmMain window(devices.registry, {}, devices.dialogs);
        window.show();
        while (window.windowHandle() == nullptr || !window.windowHandle()->isExposed())
            QCoreApplication::processEvents();
        state.PauseTiming();
        window.close();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_WindowLoadAndShow)->Unit(benchmark::kMillisecond);

void BM_StatusRefresh(benchmark::State& state)
{
    Devices devices;
    frmMain window(devices.registry, {}, devices.dialogs);
    window.Timer1().stop();
    window.show();
    const bool opened = state.range(0) != 0;
    if (opened) {
        window.OPOSPOSPrinter1().Open(sim::kPrinterName);
        window.flags().DeviceOpened = true;
    }
    for (auto _ : state) {
        window.flags().CoverOpenAlarm = !window.flags().CoverOpenAlarm; // a lamp really changes
        window.Timer1_Timer();
    }
    state.SetLabel(opened ? "printer opened (state name read)" : "printer closed");
    if (opened)
        window.OPOSPOSPrinter1().Close();
}
BENCHMARK(BM_StatusRefresh)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_ProcessStartToWindowShownAndExit(benchmark::State& state)
{
    const QString program =
        QFileInfo(QCoreApplication::applicationDirPath() + QStringLiteral("/../opos-printer-test"))
            .absoluteFilePath();
    if (!QFileInfo::exists(program)) {
        state.SkipWithError("build opos-printer-test first");
        return;
    }
    for (auto _ : state) {
        QProcess process;
        process.start(program, {QStringLiteral("--no-virtual-devices"),
                                QStringLiteral("--quit-after-ms"), QStringLiteral("0")});
        process.waitForFinished(30000);
        if (process.exitCode() != 0) {
            state.SkipWithError("the program did not end cleanly");
            return;
        }
    }
}
BENCHMARK(BM_ProcessStartToWindowShownAndExit)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char** argv)
{
    return runWidgetBenchmarks(argc, argv);
}
