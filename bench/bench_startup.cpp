// Start-up and status refresh of the main window: building, loading and showing frmMain in a
// running program, one status refresh, and a whole process from start to its window shown
// (run with --quit-after-ms 0, so the figure includes exit), against a minimal widgets program
// (startup_minimal_window) that starts, shows and exits the same way: wall time and processor
// time, as ratios taken pair by pair.
#include "CountingDialogs.h"
#include "RoundRatios.h"
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
#include <array>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

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

// One run of a program: milliseconds from its start to its end, and the processor time it used
// (all its threads, user and system), as the system accounts it once the child was reaped.
struct ProcessRun
{
    double wallMs = -1; // negative when the program did not end cleanly
    double cpuMs = 0;
};

double childrenCpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

ProcessRun runProcess(const QString& program, const QStringList& arguments)
{
    const double cpuBefore = childrenCpuMs();
    QElapsedTimer clock;
    clock.start();
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return {};
    return {static_cast<double>(clock.nsecsElapsed()) / 1e6, childrenCpuMs() - cpuBefore};
}

// The main window's size, for a baseline that paints as many pixels.
QString mainWindowSize()
{
    Devices devices;
    frmMain window(devices.registry, {}, devices.dialogs);
    window.adjustSize();
    return QStringLiteral("%1x%2").arg(window.width()).arg(window.height());
}

// The whole program from start to its window shown and closed, against the minimal program,
// in turn: with the virtual devices window (the default), without it, and without it against
// the minimal window grown to the main window's size, and grown as well as showing the main
// window's logo and a line in each of its fonts (what those fonts cost Qt itself).
void BM_ProcessStartVersusMinimalWindow(benchmark::State& state)
{
    const QString program =
        QFileInfo(QCoreApplication::applicationDirPath() + QStringLiteral("/../opos-printer-test"))
            .absoluteFilePath();
    if (!QFileInfo::exists(program)) {
        state.SkipWithError("build opos-printer-test first");
        return;
    }
    QStringList arguments{QStringLiteral("--quit-after-ms"), QStringLiteral("0")};
    if (state.range(0) != 1)
        arguments.prepend(QStringLiteral("--no-virtual-devices"));
    const QString minimal =
        QCoreApplication::applicationDirPath() + QStringLiteral("/startup_minimal_window");
    QStringList minimalArguments;
    if (state.range(0) >= 2)
        minimalArguments.append(mainWindowSize());
    if (state.range(0) == 3)
        minimalArguments.append(QStringLiteral("--window-fonts"));
    // One pair first, uncounted, so that neither side pays for files not yet in the cache; then
    // the two take turns at going first, so that neither always follows the other.
    runProcess(program, arguments);
    runProcess(minimal, minimalArguments);
    constexpr int kRounds = 10;
    for (auto _ : state) {
        std::vector<double> programMs, minimalMs, wallRatios, cpuRatios;
        for (int round = 0; round < kRounds; ++round) {
            ProcessRun ours, baseline;
            if (round % 2 == 0) {
                ours = runProcess(program, arguments);
                baseline = runProcess(minimal, minimalArguments);
            } else {
                baseline = runProcess(minimal, minimalArguments);
                ours = runProcess(program, arguments);
            }
            if (ours.wallMs < 0 || baseline.wallMs < 0) {
                state.SkipWithError("a program did not end cleanly");
                return;
            }
            programMs.push_back(ours.wallMs);
            minimalMs.push_back(baseline.wallMs);
            wallRatios.push_back(ours.wallMs / baseline.wallMs);
            cpuRatios.push_back(ours.cpuMs / baseline.cpuMs);
        }
        state.counters["program_ms"] = median(programMs);
        state.counters["minimal_ms"] = median(minimalMs);
        setRatioCounters(state, wallRatios);
        setRatioCounters(state, cpuRatios, "cpu_ratio");
    }
    const std::array labels = {"main window only", "with the virtual devices",
                               "main window only, baseline as large",
                               "main window only, baseline as large with the window's fonts"};
    state.SetLabel(labels.at(static_cast<std::size_t>(state.range(0))));
}
BENCHMARK(BM_ProcessStartVersusMinimalWindow)
    ->Arg(1)
    ->Arg(0)
    ->Arg(2)
    ->Arg(3)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    return runWidgetBenchmarks(argc, argv);
}
