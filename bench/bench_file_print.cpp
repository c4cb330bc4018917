// A 100,000-line text file printed normally through the instant simulated printer, with the
// main window shown: every line logged and echoed. Reports the total time, the longest stretch
// without a turn of the event loop, and how often the 500 ms status refresh ticked.
#include "CountingDialogs.h"
#include "WidgetBenchmarkMain.h"
#include "app/frmMain.h"
#include "backends/BackendSetup.h"
#include "backends/sim/SimulatedDevices.h"
#include "opos/ControlOptions.h"
#include "opos/DeviceRegistry.h"
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

QString WriteLines(const QTemporaryDir& dir, int lines)
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

// Times between consecutive turns of the event loop, seen by a 0 ms timer.
class LoopWatch
{
public:
    LoopWatch()
    {
        m_timer.setInterval(0);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
            const auto now = Clock::now();
            m_maxGap = std::max(m_maxGap, now - m_last);
            m_last = now;
            ++m_turns;
        });
    }
    void start()
    {
        m_last = Clock::now();
        m_maxGap = {};
        m_turns = 0;
        m_timer.start();
    }
    void stop() { m_timer.stop(); }
    double maxGapMs() const { return std::chrono::duration<double, std::milli>(m_maxGap).count(); }
    int turns() const { return m_turns; }

private:
    QTimer m_timer;
    Clock::time_point m_last;
    Clock::duration m_maxGap{};
    int m_turns = 0;
};

void BM_FilePrintNormal(benchmark::State& state)
{
    constexpr int kLines = 100'000;
    QTemporaryDir dir;
    const QString path = WriteLines(dir, kLines);
    if (path.isEmpty()) {
        state.SkipWithError("cannot write the file");
        return;
    }

    for (auto _ : state) {
        sim::SimulatedDevices devices;
        devices.printer().setOutputSpeed(sim::OutputSpeed::Instant);
        opos::DeviceRegistry registry;
        addDefaultBackends(registry, devices);
        CountingDialogs dialogs;
        frmMain window(registry, opos::ControlOptions{}, dialogs);
        window.show();
        QApplication::processEvents();

        opos::PosPrinter& printer = window.OPOSPOSPrinter1();
        printer.Open(sim::kPrinterName);
        printer.ClaimDevice(1000);
        printer.SetDeviceEnabled(true);
        window.flags().DeviceOpened = window.flags().DeviceClaimed = true;
        window.control<QLineEdit>("txtSelection").setText(path);
        window.control<QCheckBox>("chkCutPaper").setChecked(true);

        int ticks = 0;
        QObject::connect(&window.Timer1(), &QTimer::timeout, &window, [&ticks] { ++ticks; });
        LoopWatch watch;
        watch.start();
        const auto start = Clock::now();
        window.control<QAbstractButton>("cmdFilePrintNormal").click();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        watch.stop();

        state.counters["total_s"] = seconds;
        state.counters["us_per_line"] = seconds * 1e6 / kLines;
        state.counters["max_loop_gap_ms"] = watch.maxGapMs();
        state.counters["loop_turns"] = watch.turns();
        state.counters["status_ticks"] = ticks;
        state.counters["log_rows"] = window.form().LogRow - 1;
        state.counters["printed_items"] = window.printerList().ListCount();
        state.counters["boxes"] = dialogs.boxes;
        printer.Close();
    }
}
BENCHMARK(BM_FilePrintNormal)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return RunWidgetBenchmarks(argc, argv);
}
