// What leaves the application: the operation log saved as a file, the receipt saved as a picture.
#include "WidgetBenchmarkMain.h"
#include "backends/sim/ReceiptImage.h"
#include "services/FlexGridModel.h"
#include "services/FormState.h"
#include "services/LogExport.h"
#include "services/LogRecord.h"
#include "services/OperationLog.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// Save log of a million rows, CSV (range 0) or aligned text (range 1), to a real file.
void BM_SaveLog(benchmark::State& state)
{
    constexpr int kRows = 1'000'000;
    FlexGridModel grid(2, kLogNotes);
    FormState form;
    OperationLog log(grid, form);
    for (int row = 0; row < kRows; ++row) {
        if (row % 10 == 9)
            log.AppendLogRow(QStringLiteral("DirectIOEvent()"),
                             QStringLiteral("EN=1 | pD=0 | pStr=\"quoted\", with a comma"));
        else
            log.AppendLogRow(QStringLiteral("PrintNormal()"), QStringLiteral("OPOS_SUCCESS"));
    }
    QTemporaryDir dir;
    const QString path =
        dir.filePath(state.range(0) == 0 ? QStringLiteral("log.csv") : QStringLiteral("log.txt"));
    for (auto _ : state)
        saveLogFile(grid, form.LogRow, path);
    state.counters["rows"] = kRows;
}

QVector<sim::ReceiptItem> makeReceipt(int lines)
{
    QVector<sim::ReceiptItem> items;
    for (int i = 0; i < lines; ++i) {
        sim::ReceiptItem item;
        item.text = QStringLiteral("%1 ITEM DESCRIPTION Ä€          12.50").arg(i, 6);
        item.bold = i % 7 == 0;
        item.underline = i % 11 == 0;
        item.doubleWidth = i % 13 == 0;
        item.align = i % 5 == 0 ? sim::ReceiptItem::Align::Centre : sim::ReceiptItem::Align::Left;
        items.append(item);
    }
    return items;
}

// The receipt picture of 5,000 lines: drawn at 203 dpi and written as PNG.
void BM_SaveReceiptImage(benchmark::State& state)
{
    const QVector<sim::ReceiptItem> items = makeReceipt(int(state.range(0)));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("receipt.png"));
    for (auto _ : state)
        receipt_image::savePng(receipt_image::render(items), path);
}

} // namespace

BENCHMARK(BM_SaveLog)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveReceiptImage)->Arg(5000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    return runWidgetBenchmarks(argc, argv);
}
