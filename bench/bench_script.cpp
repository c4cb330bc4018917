// A scripted run over the instant simulated printer: how long a script of many steps takes, and
// whether the run's memory grows with the number of steps (it must not: events no expectation
// takes, the transcript and the outcomes are not kept).
#include "ProcessMemory.h"
#include "WidgetBenchmarkMain.h"
#include "backends/sim/SimulatedDevices.h"
#include "opos/DeviceRegistry.h"
#include "script/ScriptClock.h"
#include "script/ScriptParser.h"
#include "script/ScriptRunner.h"
#include "script/StreamTranscript.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>
#include <benchmark/benchmark.h>

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
        sim::SimulatedDevices devices;
        opos::DeviceRegistry registry;
        devices.registerWith(registry);
        script::EventLoopClock clock;
        script::ScriptRunner runner(registry, {}, &devices, clock);
        script::StreamTranscript transcript(out);
        runner.addListener(&transcript);
        const double before = processMemoryMb("VmRSS");
        failures += runner.run(parsed).failures;
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

} // namespace

int main(int argc, char** argv)
{
    return runBenchmarksIn<QCoreApplication>(argc, argv);
}
