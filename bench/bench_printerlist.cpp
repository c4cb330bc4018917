// Appending a printed line to lstPrinter and selecting it, with the list view attached, when the
// list already holds 10 or 1,000,000 items. Events are processed every 256 appends, as the
// event loop would run between the lines of a file job.
#include "WidgetBenchmarkMain.h"
#include "app/pages/PrinterListView.h"
#include "services/PrinterListModel.h"

#include <QApplication>
#include <benchmark/benchmark.h>

namespace {

void BM_AppendAndSelect(benchmark::State& state)
{
    PrinterListModel list;
    PrinterListView view(list);
    view.resize(341, 228);
    view.show();
    const QString line = QStringLiteral("Test ** 0123456789 Linea di prova");
    for (int64_t i = 0; i < state.range(0); ++i)
        list.AddItem(line);
    list.SetListIndex(list.ListCount() - 1);
    QCoreApplication::processEvents();
    int64_t appended = 0;
    for (auto _ : state) {
        list.AddItem(line);
        list.SetListIndex(list.ListCount() - 1);
        if (++appended % 256 == 0)
            QCoreApplication::processEvents();
    }
    state.SetItemsProcessed(appended);
}
BENCHMARK(BM_AppendAndSelect)->Arg(10)->Arg(1000000)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    return runWidgetBenchmarks(argc, argv);
}
