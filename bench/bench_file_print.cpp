// Text files printed normally through the instant simulated printer, with the main window
// shown: every line logged and echoed.
// - 100,000 lines: the total time, the longest stretch without a turn of the event loop, and
//   how often the 500 ms status refresh ticked.
// - 200 MB in 5 million lines (and a tenth of it): the time from the click to the first printed
//   line, and the resident memory after the job (and its peak over the whole program).
// - The same file read by the line reader alone, without the window: what reading costs apart
//   from the log rows and printed items that every line adds.
#include "CountingDialogs.h"
#include "ProcessMemory.h"
#include "StallWatch.h"
#include "WidgetBenchmarkMain.h"
#include "app/window/frmMain.h"
#include "backends/BackendSetup.h"
#include "backends/sim/SimulatedDevices.h"
#include "opos/ControlOptions.h"
#include "opos/DeviceRegistry.h"
#include "opos/FilePrintLines.h"
#include "opos/PosPrinter.h"
#include "services/FormState.h"
#include "services/ModuleFlags.h"
#include "services/PrinterListModel.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

QString writeLines(const QTemporaryDir& dir, int lines)
{
    const QString path = dir.filePath(QStringLiteral("receipt.txt"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    QByteArray text;
    for (int i = 0; i < lines; ++i)
        text += "Line " + QByteArray::number(i) + " of the long receipt, 48 characters wide\r\n";
    file.write(text);
    return path;
}

// Writes `lines` lines of 40 bytes each, CR LF included, without holding the file in memory.
QString writeLargeFile(const QTemporaryDir& dir, qint64 lines)
{
    const QString path = dir.filePath(QStringLiteral("large.txt"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    QByteArray block;
    for (qint64 i = 0; i < lines; ++i) {
        block +=
            "Line " + QByteArray::number(i).rightJustified(9, '0') + " of a long receipt......\r\n";
        if (block.size() >= 1 << 20 || i + 1 == lines) {
            if (file.write(block) != block.size())
                return {};
            block.clear();
        }
    }
    return path;
}

// The main window shown over an instant simulated printer, opened, claimed and enabled, with the
// file selected.
struct ShownWindow
{
    explicit ShownWindow(const QString& path)
    {
        devices.printer().setOutputSpeed(sim::OutputSpeed::Instant);
        addDefaultBackends(registry, devices);
        window.show();
        QApplication::processEvents();
        opos::PosPrinter& printer = window.OPOSPOSPrinter1();
        printer.Open(sim::kPrinterName);
        printer.ClaimDevice(1000);
        printer.SetDeviceEnabled(true);
        window.flags().DeviceOpened = window.flags().DeviceClaimed = true;
        window.control<QLineEdit>("txtSelection").setText(path);
    }

    sim::SimulatedDevices devices;
    opos::DeviceRegistry registry;
    CountingDialogs dialogs;
    frmMain window{registry, opos::ControlOptions{}, dialogs};
};

void BM_FilePrintNormal(benchmark::State& state)
{
    constexpr int kLines = 100'000;
    QTemporaryDir dir;
    const QString path = writeLines(dir, kLines);
    if (path.isEmpty()) {
        state.SkipWithError("cannot write the file");
        return;
    }

    for (auto _ : state) {
        ShownWindow shown(path);
        frmMain& window = shown.window;
        CountingDialogs& dialogs = shown.dialogs;
        window.control<QCheckBox>("chkCutPaper").setChecked(true);

        int ticks = 0;
        QObject::connect(&window.Timer1(), &QTimer::timeout, &window, [&ticks] { ++ticks; });
        const StallWatch watch(0); // a turn of the loop is a tick
        const auto start = Clock::now();
        window.control<QAbstractButton>("cmdFilePrintNormal").click();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        const double longestMs = watch.longestMs();
        const int turns = watch.turns();

        state.counters["total_s"] = seconds;
        state.counters["us_per_line"] = seconds * 1e6 / kLines;
        state.counters["max_loop_gap_ms"] = longestMs;
        state.counters["loop_turns"] = turns;
        state.counters["status_ticks"] = ticks;
        state.counters["log_rows"] = window.form().LogRow - 1;
        state.counters["printed_items"] = window.printerList().ListCount();
        state.counters["boxes"] = dialogs.boxes;
        window.OPOSPOSPrinter1().Close();
    }
}
BENCHMARK(BM_FilePrintNormal)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_FilePrintLarge(benchmark::State& state)
{
    const qint64 lines = state.range(0); // 40 bytes each: 5 million make 200 MB
    QTemporaryDir dir;
    const QString path = writeLargeFile(dir, lines);
    if (path.isEmpty()) {
        state.SkipWithError("cannot write the file");
        return;
    }

    for (auto _ : state) {
        ShownWindow shown(path);
        frmMain& window = shown.window;
        CountingDialogs& dialogs = shown.dialogs;
        const double rssBefore = processMemoryMb("VmRSS");

        // Posted before the click, this runs in the job's first yield: after its first line.
        const auto start = Clock::now();
        double firstLineMs = -1;
        QTimer::singleShot(0, &window, [&] {
            firstLineMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        });
        window.control<QAbstractButton>("cmdFilePrintNormal").click();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();

        state.counters["first_line_ms"] = firstLineMs;
        state.counters["total_s"] = seconds;
        state.counters["rss_before_MB"] = rssBefore;
        state.counters["rss_after_MB"] = processMemoryMb("VmRSS");
        state.counters["rss_peak_MB"] = processMemoryMb("VmHWM");
        state.counters["log_rows"] = window.form().LogRow - 1;
        state.counters["printed_items"] = window.printerList().ListCount();
        state.counters["boxes"] = dialogs.boxes;
        window.OPOSPOSPrinter1().Close();
    }
}
// The smaller file tells the memory each printed line adds in the log and the printed list.
BENCHMARK(BM_FilePrintLarge)
    ->Arg(500'000)
    ->Arg(5'000'000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

void BM_ReadLargeFile(benchmark::State& state)
{
    constexpr qint64 kLines = 5'000'000;
    QTemporaryDir dir;
    const QString path = writeLargeFile(dir, kLines);
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        state.SkipWithError("cannot write the file");
        return;
    }
    for (auto _ : state) {
        file.seek(0);
        const double rssBefore = processMemoryMb("VmRSS");
        const auto start = Clock::now();
        TextFileLines lines(file);
        qint64 count = lines.next() ? 1 : 0;
        const double firstLineMs =
            std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        while (lines.next())
            ++count;
        state.counters["first_line_ms"] = firstLineMs;
        state.counters["total_s"] = std::chrono::duration<double>(Clock::now() - start).count();
        state.counters["lines"] = double(count);
        state.counters["rss_growth_MB"] = processMemoryMb("VmRSS") - rssBefore;
    }
}
BENCHMARK(BM_ReadLargeFile)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return runWidgetBenchmarks(argc, argv);
}
