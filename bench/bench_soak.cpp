// Soak runs: a text file of 10,000 to 1,000,000 lines of 40 characters printed from the File
// PRINT page of a shown main window, to the instant simulated printer and to a loopback ESC/POS
// printer (asynchronous and synchronous), and the same lines through the control layer alone,
// all in one run so that their ratios mean something. Each run reports:
//   seconds, lines_per_s, us_per_line  the job from the click to the last line done
//   stall_ms                           the longest time the GUI thread did not turn its loop
//   rss_mb, peak_rss_mb                resident memory after the job, and its peak during it
// Then the repaint of the printed-lines list after one printed line of 10 MB. Runs shorter than
// a million lines are repeated; compare their medians.
//
// The default run stops at 100,000 lines; `bench_soak --soak-all` adds the 1,000,000-line runs
// (several minutes).
#include "CountingDialogs.h"
#include "ProcessMemory.h"
#include "StallWatch.h"
#include "WidgetBenchmarkMain.h"
#include "app/window/WindowWaiter.h"
#include "app/window/frmMain.h"
#include "backends/BackendSetup.h"
#include "backends/sim/SimulatedDevices.h"
#include "opos/ControlOptions.h"
#include "opos/DeviceRegistry.h"
#include "opos/OposConstants.h"
#include "opos/PosPrinter.h"
#include "services/ModuleFlags.h"
#include "services/PrinterListModel.h"
#include "support/FakeEscPosPrinter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstring>
#include <malloc.h>
#include <map>
#include <memory>

namespace {

using Clock = std::chrono::steady_clock;

enum class Target
{
    Simulated,
    EscPosAsync,
    EscPosSync
};

bool isEscPos(Target target)
{
    return target != Target::Simulated;
}

// Starts the peak of resident memory afresh from what is resident now, after giving back to
// the system what earlier runs freed.
void resetPeakResident()
{
    malloc_trim(0);
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

// The soak files, written once per size and kept for the whole run.
class SoakFiles
{
public:
    QString path(int lines)
    {
        auto& path = m_paths[lines];
        if (path.isEmpty())
            path = write(QStringLiteral("soak-%1.txt").arg(lines), lines);
        return path;
    }

    QString longLine(qsizetype characters)
    {
        const QString path = m_dir.filePath(QStringLiteral("long-line.txt"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return {};
        const QByteArray word = "receipt ";
        QByteArray text;
        text.reserve(characters + 2);
        while (text.size() + word.size() <= characters)
            text += word;
        text += "\r\n";
        file.write(text);
        return path;
    }

private:
    QString write(const QString& name, int lines)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return {};
        for (int i = 0; i < lines; ++i) {
            // 40 characters: "Soak line 0000042 " and a filler.
            QByteArray line = "Soak line " + QByteArray::number(i).rightJustified(7, '0') + ' ';
            line += QByteArray("abcdefghijklmnopqrstuvwxyz").left(40 - line.size());
            file.write(line + "\r\n");
        }
        return path;
    }

    QTemporaryDir m_dir;
    std::map<int, QString> m_paths;
};

SoakFiles& soakFiles()
{
    static SoakFiles files;
    return files;
}

// What a run measured, reported the same way for every path.
struct Outcome
{
    double seconds = 0;
    double stallMs = 0;
    double longestCallMs = 0; // the control layer alone: its longest single print call
    double residentMb = 0;
    double peakMb = 0;
    int printed = 0;
    int boxes = 0;
};

void report(benchmark::State& state, int lines, const Outcome& outcome)
{
    state.SetIterationTime(outcome.seconds);
    state.counters["lines_per_s"] = lines / outcome.seconds;
    state.counters["us_per_line"] = outcome.seconds * 1e6 / lines;
    state.counters["stall_ms"] = outcome.stallMs;
    if (outcome.longestCallMs > 0)
        state.counters["longest_call_ms"] = outcome.longestCallMs;
    state.counters["rss_mb"] = outcome.residentMb;
    state.counters["peak_rss_mb"] = outcome.peakMb;
    state.counters["printed"] = outcome.printed;
    state.counters["boxes"] = outcome.boxes;
    if (outcome.printed != lines)
        state.SkipWithError("not every line was printed");
}

// The devices a run prints to: the instant simulated printer, or the fake ESC/POS printer whose
// record of what it received is emptied now and then so that it does not weigh on memory. For a
// window, the device calls wait the way the application's window has them wait.
struct Devices
{
    explicit Devices(Target target, bool forWindow = false) : target(target)
    {
        simulated.printer().setOutputSpeed(sim::OutputSpeed::Instant);
        if (forWindow) {
            waiter = std::make_shared<WindowWaiter>();
            registry.setWaiter(waiter);
        }
        addDefaultBackends(registry, simulated);
        if (isEscPos(target)) {
            fake = std::make_unique<testing::FakeEscPosPrinter>();
            forget.setInterval(250);
            QObject::connect(&forget, &QTimer::timeout, &forget, [this] { fake->clear(); });
            forget.start();
        }
    }

    QString deviceName() const
    {
        return fake ? fake->address(QStringLiteral("pollInterval=500")) : sim::kPrinterName;
    }

    bool open(opos::PosPrinter& printer) const
    {
        return printer.Open(deviceName()) == opos::OPOS_SUCCESS &&
               printer.ClaimDevice(5000) == opos::OPOS_SUCCESS &&
               (printer.SetDeviceEnabled(true), printer.DeviceEnabled());
    }

    // Lets the event loop run until asynchronous output is done.
    static void waitUntilIdle(opos::PosPrinter& printer)
    {
        while (printer.State() == opos::OPOS_S_BUSY)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QCoreApplication::processEvents();
    }

    void waitInside(frmMain& window) const
    {
        if (waiter)
            waiter->setWindow(&window);
    }

    Target target;
    std::shared_ptr<WindowWaiter> waiter;
    sim::SimulatedDevices simulated;
    opos::DeviceRegistry registry;
    std::unique_ptr<testing::FakeEscPosPrinter> fake;
    QTimer forget;
};

// The file printed from the File PRINT page of the shown window with cmdFilePrintNormal.
void BM_Window(benchmark::State& state, Target target)
{
    const int lines = int(state.range(0));
    const QString path = soakFiles().path(lines);
    for (auto _ : state) {
        Devices devices(target, true);
        CountingDialogs dialogs;
        auto window = std::make_unique<frmMain>(devices.registry, opos::ControlOptions{}, dialogs);
        devices.waitInside(*window);
        window->show();
        QCoreApplication::processEvents();
        opos::PosPrinter& printer = window->OPOSPOSPrinter1();
        if (!devices.open(printer)) {
            state.SkipWithError("the printer could not be enabled");
            return;
        }
        window->flags().DeviceOpened = window->flags().DeviceClaimed = true;
        window->control<QTabWidget>("SSTab1").setCurrentIndex(2);
        window->control<QLineEdit>("txtSelection").setText(path);
        window->control<QCheckBox>("chkFileAsyncMode").setChecked(target == Target::EscPosAsync);
        QCoreApplication::processEvents();

        resetPeakResident();
        Outcome outcome;
        {
            StallWatch watch;
            const auto start = Clock::now();
            window->control<QAbstractButton>("cmdFilePrintNormal").click();
            Devices::waitUntilIdle(printer);
            outcome.seconds = std::chrono::duration<double>(Clock::now() - start).count();
            outcome.stallMs = watch.longestMs();
        }
        outcome.residentMb = processMemoryMb("VmRSS");
        outcome.peakMb = processMemoryMb("VmHWM");
        outcome.printed = window->printerList().ListCount();
        outcome.boxes = dialogs.boxes;
        report(state, lines, outcome);
        printer.Close();
    }
}

// The same lines through the control layer alone: PrintNormal per line, the event loop turned
// every 256 lines as a program of its own would.
void BM_Control(benchmark::State& state, Target target)
{
    const int lines = int(state.range(0));
    QFile file(soakFiles().path(lines));
    for (auto _ : state) {
        Devices devices(target);
        opos::PosPrinter printer(devices.registry, opos::ControlOptions{});
        if (!devices.open(printer) || !file.open(QIODevice::ReadOnly)) {
            state.SkipWithError("the printer could not be enabled");
            return;
        }
        printer.SetAsyncMode(target == Target::EscPosAsync);
        QCoreApplication::processEvents();

        resetPeakResident();
        Outcome outcome;
        {
            StallWatch watch;
            const auto start = Clock::now();
            while (!file.atEnd()) {
                const QString line = QString::fromLocal8Bit(file.readLine()).trimmed();
                // The loop turns the event loop only every 256 lines, so its longest gap
                // (stall_ms) holds 255 ordinary lines besides a slow one; the longest single
                // call says how long one line can hold its caller.
                const auto callStart = Clock::now();
                const int result =
                    printer.PrintNormal(opos::PTR_S_RECEIPT, line + QLatin1Char('\n'));
                outcome.longestCallMs = std::max(
                    outcome.longestCallMs,
                    std::chrono::duration<double, std::milli>(Clock::now() - callStart).count());
                if (result == opos::OPOS_SUCCESS)
                    ++outcome.printed;
                if (outcome.printed % 256 == 0)
                    QCoreApplication::processEvents();
            }
            Devices::waitUntilIdle(printer);
            outcome.seconds = std::chrono::duration<double>(Clock::now() - start).count();
            outcome.stallMs = watch.longestMs();
        }
        file.close();
        outcome.residentMb = processMemoryMb("VmRSS");
        outcome.peakMb = processMemoryMb("VmHWM");
        report(state, lines, outcome);
        printer.Close();
    }
}

// One printed line of 10 MB: how long its print froze the window, then what one repaint of the
// printed-lines list costs.
void BM_ListRepaintAfterLongLine(benchmark::State& state)
{
    const QString path = soakFiles().longLine(10'000'000);
    Devices devices(Target::Simulated, true);
    CountingDialogs dialogs;
    frmMain window(devices.registry, opos::ControlOptions{}, dialogs);
    devices.waitInside(window);
    window.show();
    QCoreApplication::processEvents();
    if (!devices.open(window.OPOSPOSPrinter1())) {
        state.SkipWithError("the printer could not be enabled");
        return;
    }
    window.flags().DeviceOpened = window.flags().DeviceClaimed = true;
    window.control<QTabWidget>("SSTab1").setCurrentIndex(2);
    window.control<QLineEdit>("txtSelection").setText(path);
    QCoreApplication::processEvents(); // the page is on the screen before its button is clicked
    double printSeconds = 0;
    {
        StallWatch watch;
        const auto start = Clock::now();
        window.control<QAbstractButton>("cmdFilePrintNormal").click();
        window.printerList().flush();
        QCoreApplication::processEvents();
        printSeconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.counters["stall_ms"] = watch.longestMs();
    }
    auto& list = window.control<QListView>("lstPrinter");
    for (auto _ : state)
        list.viewport()->repaint();
    state.counters["print_s"] = printSeconds;
    state.counters["printed"] = window.printerList().ListCount();
    window.OPOSPOSPrinter1().Close();
}

void registerAll(bool soakAll)
{
    std::vector<int64_t> sizes = {10'000, 100'000};
    if (soakAll)
        sizes.push_back(1'000'000);
    const std::pair<const char*, Target> targets[] = {{"Simulated", Target::Simulated},
                                                      {"EscPosAsync", Target::EscPosAsync},
                                                      {"EscPosSync", Target::EscPosSync}};
    // Sizes outermost, so that the ratios of one size come from neighbouring runs.
    for (const int64_t size : sizes) {
        for (const auto& [name, target] : targets) {
            for (const bool window : {true, false}) {
                const std::string title = std::string(window ? "BM_Window/" : "BM_Control/") + name;
                auto* bench = window
                                  ? benchmark::RegisterBenchmark(title.c_str(), BM_Window, target)
                                  : benchmark::RegisterBenchmark(title.c_str(), BM_Control, target);
                bench->Arg(size)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
                // A run of a few milliseconds is at the mercy of the scheduler: the short ones
                // are repeated and their median reported.
                if (size < 1'000'000)
                    bench->Repetitions(size <= 10'000 ? 7 : 3)->ReportAggregatesOnly(true);
            }
        }
    }
    benchmark::RegisterBenchmark("BM_ListRepaintAfterLongLine", BM_ListRepaintAfterLongLine)
        ->Iterations(20)
        ->Unit(benchmark::kMillisecond);
}

} // namespace

int main(int argc, char** argv)
{
    bool soakAll = false;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--soak-all") == 0)
            soakAll = true;
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    registerAll(soakAll);
    return runWidgetBenchmarks(argc, argv);
}
