#include "WidgetBenchmarkMain.h"
#include "backends/BackendSetup.h"
#include "backends/sim/SimulatedDevices.h"
#include "opos/DeviceRegistry.h"
#include "opos/PosPrinter.h"
#include "virtual/VirtualDevicesReceiptView.h"
#include "virtual/VirtualDevicesWindow.h"

#include <QCoreApplication>
#include <QImage>
#include <benchmark/benchmark.h>

namespace {

QVector<sim::ReceiptItem> makeRoll(qsizetype size)
{
    QVector<sim::ReceiptItem> roll;
    roll.reserve(size);
    for (qsizetype i = 0; i < size; ++i) {
        sim::ReceiptItem item;
        item.text = QStringLiteral("%1 ITEM DESCRIPTION            12.50").arg(i, 6);
        item.bold = i % 7 == 0;
        item.align = i % 5 == 0 ? sim::ReceiptItem::Align::Centre : sim::ReceiptItem::Align::Left;
        if (i % 40 == 39)
            item.kind = sim::ReceiptItem::Kind::FullCut;
        roll.append(item);
    }
    return roll;
}

// What the receipt panel does once per frame while the printer prints: show the device's roll.
void BM_ShowRoll(benchmark::State& state)
{
    const QVector<sim::ReceiptItem> roll = makeRoll(state.range(0));
    VirtualDevicesReceiptView view;
    view.resize(view.sizeHint());
    for (auto _ : state)
        view.setItems(roll);
    state.counters["shown"] = view.itemCount();
}
BENCHMARK(BM_ShowRoll)->Arg(5000)->Arg(20000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// One repaint of the newest part of a long roll.
void BM_PaintNewest(benchmark::State& state)
{
    VirtualDevicesReceiptView view;
    view.resize(view.sizeHint());
    view.setItems(makeRoll(state.range(0)));
    QImage image(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state)
        view.viewport()->render(&image);
}
BENCHMARK(BM_PaintNewest)->Arg(100)->Arg(100000)->Unit(benchmark::kMicrosecond);

// 100,000 lines printed one by one, yielding to the event loop after each as file printing
// does, with and without the virtual devices window watching.
void BM_PrintLines(benchmark::State& state)
{
    sim::SimulatedDevices devices;
    opos::DeviceRegistry registry;
    addDefaultBackends(registry, devices);
    opos::PosPrinter printer(registry, {});
    printer.Open(sim::kPrinterName);
    printer.ClaimDevice(1000);
    printer.SetDeviceEnabled(true);
    std::unique_ptr<VirtualDevicesWindow> window;
    if (state.range(0) != 0) {
        window = std::make_unique<VirtualDevicesWindow>(devices);
        window->show();
    }
    const int lines = 100000;
    for (auto _ : state) {
        for (int i = 0; i < lines; ++i) {
            printer.PrintNormal(opos::PTR_S_RECEIPT,
                                QStringLiteral("%1 ITEM DESCRIPTION            12.50\n").arg(i));
            QCoreApplication::processEvents();
        }
    }
    state.counters["us_per_line"] =
        benchmark::Counter(static_cast<double>(lines) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    printer.Close();
}
BENCHMARK(BM_PrintLines)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return runWidgetBenchmarks(argc, argv);
}
