// The longest stall of the GUI thread while a synchronous call waits for its printer: with the
// plain blocking waiter (argument 0) and with the window's waiter (argument 1).
#include "StallWatch.h"
#include "WidgetBenchmarkMain.h"
#include "app/window/WindowWaiter.h"
#include "backends/sim/SimulatedDevices.h"
#include "opos/DeviceRegistry.h"
#include "opos/OposConstants.h"
#include "opos/PosPrinter.h"
#include "support/ScriptedPrinterBackend.h"

#include <QTimer>
#include <QWidget>
#include <benchmark/benchmark.h>
#include <thread>

namespace {

std::shared_ptr<opos::Waiter> makeWaiter(bool window, QWidget& mainWindow)
{
    if (!window)
        return std::make_shared<opos::BlockingWaiter>();
    auto waiter = std::make_shared<WindowWaiter>();
    waiter->setWindow(&mainWindow);
    return waiter;
}

// A synchronous PrintNormal to a printer that confirms the job 2 s later.
void BM_SyncPrintStall(benchmark::State& state)
{
    for (auto _ : state) {
        QWidget mainWindow;
        mainWindow.show();
        opos::DeviceRegistry registry;
        registry.setWaiter(makeWaiter(state.range(0) != 0, mainWindow));
        auto script = std::make_shared<PrinterScript>();
        addScriptedPrinter(registry, script);
        opos::PosPrinter printer(registry, opos::ControlOptions{});
        printer.Open(QStringLiteral("Scripted"));
        printer.ClaimDevice(0);
        printer.SetDeviceEnabled(true);
        script->waitThroughWaiter = true;
        script->hold();
        std::thread device([script] {
            std::this_thread::sleep_for(std::chrono::seconds(2));
            script->letGo();
        });
        QApplication::processEvents(); // what earlier runs left is not this call's stall
        const StallWatch watch;
        const int32_t result = printer.PrintNormal(opos::PTR_S_RECEIPT, QStringLiteral("line\n"));
        const double stall = watch.longestMs();
        device.join();
        if (result != opos::OPOS_SUCCESS)
            state.SkipWithError("the print failed");
        state.counters["longest_stall_ms"] = stall;
    }
}
BENCHMARK(BM_SyncPrintStall)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

// A synchronous transaction of 200 lines on the simulated printer at its realistic speed.
void BM_SimulatedTransactionStall(benchmark::State& state)
{
    for (auto _ : state) {
        QWidget mainWindow;
        mainWindow.show();
        sim::SimulatedDevices devices;
        devices.printer().setOutputSpeed(sim::OutputSpeed::Realistic);
        opos::DeviceRegistry registry;
        registry.setWaiter(makeWaiter(state.range(0) != 0, mainWindow));
        devices.registerWith(registry);
        opos::PosPrinter printer(registry, opos::ControlOptions{});
        printer.Open(sim::kPrinterName);
        printer.ClaimDevice(0);
        printer.SetDeviceEnabled(true);
        printer.TransactionPrint(opos::PTR_S_RECEIPT, opos::PTR_TP_TRANSACTION);
        for (int line = 0; line < 200; ++line)
            printer.PrintNormal(opos::PTR_S_RECEIPT, QStringLiteral("line %1\n").arg(line));
        QApplication::processEvents();
        const StallWatch watch;
        const int32_t result = printer.TransactionPrint(opos::PTR_S_RECEIPT, opos::PTR_TP_NORMAL);
        state.counters["longest_stall_ms"] = watch.longestMs();
        if (result != opos::OPOS_SUCCESS)
            state.SkipWithError("the transaction failed");
    }
}
BENCHMARK(BM_SimulatedTransactionStall)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return runWidgetBenchmarks(argc, argv);
}
