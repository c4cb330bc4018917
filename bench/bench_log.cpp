// A million command rows appended to the operation log while a shown table view watches it.
#include "ProcessMemory.h"
#include "WidgetBenchmarkMain.h"
#include "app/pages/FlexGridView.h"
#include "services/FlexGridModel.h"
#include "services/FormState.h"
#include "services/LogRecord.h"
#include "services/OperationLog.h"

#include <QApplication>
#include <QFile>
#include <array>
#include <benchmark/benchmark.h>
#include <chrono>
#include <ctime>

namespace {

// CPU time of this thread, which does all the work (offscreen painting included); unlike the wall
// clock it does not count time the machine gave to other processes.
double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

void BM_AppendLogRow(benchmark::State& state)
{
    constexpr int kAppends = 1'000'000;
    constexpr int kSlice = 100'000;
    // Let the event loop run about as often as it would between clicks and events, so that
    // the view takes in the new rows and scroll requests while the log grows.
    constexpr int kEventsEvery = 256;
    const std::array<std::pair<QString, QString>, 4> rows{{
        {QStringLiteral("PrintNormal()"), QStringLiteral("OPOS_SUCCESS")},
        {QStringLiteral("PrintNormal()"), QStringLiteral("OPOS_EPTR_COVER_OPEN")},
        {QStringLiteral("CutPaper()"), QStringLiteral("OPOS_SUCCESS")},
        {QStringLiteral("ClearOutput()"), QStringLiteral("OPOS_SUCCESS")},
    }};

    for (auto _ : state) {
        FlexGridModel grid(2, kLogNotes);
        grid.SetRows(9);
        FormState form;
        OperationLog log(grid, form);
        FlexGridView view(grid); // the window's log view: fixed rows, follows TopRow
        view.resize(540, 160);
        view.show();
        QApplication::processEvents();

        using Clock = std::chrono::steady_clock;
        const auto start = Clock::now();
        double sliceStart = threadCpuSeconds();
        double firstSlice = 0;
        double lastSlice = 0;
        for (int i = 0; i < kAppends; ++i) {
            const auto& [name, detail] = rows[std::size_t(i) % rows.size()];
            log.AppendLogRow(name, detail);
            if (i % kEventsEvery == kEventsEvery - 1)
                QApplication::processEvents();
            if ((i + 1) % kSlice == 0) {
                const double now = threadCpuSeconds();
                const double seconds = now - sliceStart;
                if (i + 1 == kSlice)
                    firstSlice = seconds;
                lastSlice = seconds;
                sliceStart = now;
            }
        }
        grid.flush();
        QApplication::processEvents();
        const double total = std::chrono::duration<double>(Clock::now() - start).count();

        state.counters["us_per_append"] = total * 1e6 / kAppends;
        state.counters["first_100k_cpu_ms"] = firstSlice * 1e3;
        state.counters["last_100k_cpu_ms"] = lastSlice * 1e3;
        state.counters["last_to_first"] = lastSlice / firstSlice;
        state.counters["rows"] = grid.Rows();
        state.counters["view_rows"] = grid.rowCount();
        state.counters["VmRSS_MB"] = processMemoryMb("VmRSS");
    }
}
BENCHMARK(BM_AppendLogRow)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return runWidgetBenchmarks(argc, argv);
}
