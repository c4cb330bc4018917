// A scripted run over the instant simulated printer: how long a script of many steps takes, and
// whether the run's memory grows with the number of steps (it must not: events no expectation
// takes, the transcript and the outcomes are not kept).
#include "ProcessMemory.h"
#include "RoundRatios.h"
#include "SimulatedPrinterBench.h"
#include "WidgetBenchmarkMain.h"
#include "backends/sim/SimulatedDevices.h"
#include "opos/DeviceRegistry.h"
#include "opos/OposConstants.h"
#include "script/ScriptClock.h"
#include "script/ScriptParser.h"
#include "script/ScriptRunner.h"
#include "script/StreamTranscript.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <ctime>
#include <vector>

namespace {

// Opens the printer, then alternates a print and the expectation on its result, with a cut now
// and then; `steps` counts every statement.
QByteArray scriptOf(int64_t steps)
{
    QByteArray text = "printer Open\nprinter ClaimDevice 1000\nprinter DeviceEnabled = true\n";
    for (int64_t i = 3; i < steps; i += 2) {
        if (i % 200 == 1)
            text += "printer CutPaper 90\nexpect OPOS_SUCCESS\n";
        else
            text += "printer PrintNormal receipt \"\\e|bCTOTAL\\e|N          12.34\\n\"\n"
                    "expect OPOS_SUCCESS\n";
    }
    return text;
}

// A runner over a fresh instant simulated printer, its transcript written to `out`.
struct SimulatedRun
{
    explicit SimulatedRun(QTextStream& out) : transcript(out)
    {
        devices.registerWith(registry);
        runner.addListener(&transcript);
    }

    sim::SimulatedDevices devices;
    opos::DeviceRegistry registry;
    script::EventLoopClock clock;
    script::ScriptRunner runner{registry, {}, &devices, clock};
    script::StreamTranscript transcript;
};

void BM_ScriptSteps(benchmark::State& state)
{
    const script::Script parsed =
        script::parseScript(scriptOf(state.range(0)), QStringLiteral("bench.txt"), QString());
    QFile sink(QStringLiteral("/dev/null"));
    sink.open(QIODevice::WriteOnly);
    QTextStream out(&sink);
    double growth = 0;
    int failures = 0;
    for (auto _ : state) {
        SimulatedRun run(out);
        const double before = processMemoryMb("VmRSS");
        failures += run.runner.run(parsed).failures;
        growth = processMemoryMb("VmRSS") - before;
    }
    state.counters["steps"] = static_cast<double>(parsed.steps.size());
    state.counters["RSS_growth_MB"] = growth;
    state.counters["failures"] = failures;
}
BENCHMARK(BM_ScriptSteps)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

double cpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// The runner's own cost: a script of print lines, read and run with its transcript, against the
// same lines given to the control layer directly, on the instant simulated printer; the CPU time
// of the two taken round by round. A virtual machine's speed can drift by as much as twice from
// one second to the next, so the rounds are many and their ratios' median is what counts. The
// two take turns at going first, so that neither always runs on what the other left behind.
// Argument 0: one line written over and over (a soak script); 1: every line its own (a receipt's
// items), which the runner cannot take from the line before.
void BM_RunnerVersusControlLayer(benchmark::State& state)
{
    constexpr int kLines = 100'000;
    constexpr int kRounds = 21;
    const bool everyLineItsOwn = state.range(0) != 0;
    // A line's text as the script writes it, escapes and all.
    const auto lineText = [everyLineItsOwn](int i) {
        return everyLineItsOwn
                   ? QStringLiteral("Item %1   1 x   12.00\\n").arg(i, 6, 10, QLatin1Char('0'))
                   : QStringLiteral("\\e|bCTOTAL\\e|N          12.34\\n");
    };
    QByteArray text = "printer Open\nprinter ClaimDevice 1000\nprinter DeviceEnabled = true\n";
    for (int i = 0; i < kLines; ++i)
        text += "printer PrintNormal receipt \"" + lineText(i).toUtf8() + "\"\n";
    QFile sink(QStringLiteral("/dev/null"));
    sink.open(QIODevice::WriteOnly);
    QTextStream out(&sink);
    const auto layerRound = [&] {
        // Each line a text of its own, as the script's lines are, so that both sides print the
        // same texts, not one text over and over.
        std::vector<QString> lines;
        lines.reserve(kLines);
        for (int i = 0; i < kLines; ++i)
            lines.push_back(lineText(i)
                                .replace(QStringLiteral("\\e"), QStringLiteral("\x1b"))
                                .replace(QStringLiteral("\\n"), QStringLiteral("\n")));
        SimulatedPrinterBench bench;
        const double start = cpuSeconds();
        for (const QString& text : lines) {
            if (bench.printer.PrintNormal(opos::PTR_S_RECEIPT, text) != opos::OPOS_SUCCESS)
                qFatal("the control layer failed to print");
        }
        return (cpuSeconds() - start) * 1e6 / kLines;
    };
    const auto runnerRound = [&] {
        SimulatedRun run(out);
        const double start = cpuSeconds();
        const script::Script parsed =
            script::parseScript(text, QStringLiteral("bench.txt"), QString());
        if (run.runner.run(parsed).failures > 0)
            qFatal("the scripted run failed");
        // The transcript's last lines are part of the run's work.
        run.transcript.flush();
        return (cpuSeconds() - start) * 1e6 / kLines;
    };
    for (auto _ : state) {
        std::vector<double> layerUs, runnerUs, ratios;
        for (int round = 0; round < kRounds; ++round) {
            if (round % 2 == 0) {
                layerUs.push_back(layerRound());
                runnerUs.push_back(runnerRound());
            } else {
                runnerUs.push_back(runnerRound());
                layerUs.push_back(layerRound());
            }
            ratios.push_back(runnerUs.back() / layerUs.back());
        }
        state.counters["layer_cpu_us_per_line"] = median(layerUs);
        state.counters["runner_cpu_us_per_line"] = median(runnerUs);
        setRatioCounters(state, ratios);
    }
    state.SetLabel(everyLineItsOwn ? "every line its own" : "one line written over and over");
}
BENCHMARK(BM_RunnerVersusControlLayer)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return runBenchmarksIn<QCoreApplication>(argc, argv);
}
