// Status-update events from the simulated printer, delivered to the window's handler and logged.
#include "CountingDialogs.h"
#include "WidgetBenchmarkMain.h"
#include "app/pages/FlexGridView.h"
#include "backends/sim/SimulatedDevices.h"
#include "opos/DeviceRegistry.h"
#include "opos/PosPrinter.h"
#include "printer/PrinterEventHandlers.h"
#include "services/FlexGridModel.h"
#include "services/FormState.h"
#include "services/LogRecord.h"
#include "services/ModuleFlags.h"
#include "services/OperationLog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <benchmark/benchmark.h>

namespace {

void BM_StatusUpdateEvents(benchmark::State& state)
{
    constexpr int kEvents = 100'000;
    constexpr int kEventsEvery = 256;
    for (auto _ : state) {
        sim::SimulatedDevices devices;
        opos::DeviceRegistry registry;
        devices.registerWith(registry);
        opos::PosPrinter printer(registry, opos::ControlOptions{});

        FlexGridModel grid(2, kLogNotes);
        grid.SetRows(9);
        FormState form;
        OperationLog log(grid, form);
        ModuleFlags flags;
        CountingDialogs dialogs(Dialogs::Answer::Ok);
        PrinterEventHandlers handlers(flags, log, dialogs);
        QObject::connect(&printer, &opos::PosPrinter::StatusUpdateEvent, &handlers,
                         &PrinterEventHandlers::OnStatusUpdateEvent);
        FlexGridView view(grid); // the window's log view: fixed rows, follows TopRow
        view.show();

        if (printer.Open(sim::kPrinterName) != 0 || printer.ClaimDevice(1000) != 0) {
            state.SkipWithError("the simulated printer did not open");
            return;
        }
        printer.SetDeviceEnabled(true);
        QApplication::processEvents();
        const int firstRow = form.LogRow;

        QElapsedTimer clock;
        clock.start();
        sim::SimulatedPrinter& device = devices.printer();
        for (int i = 0; i < kEvents; ++i) {
            device.setCoverOpen(i % 2 == 0); // each change is one status update: 11, then 12
            if (i % kEventsEvery == kEventsEvery - 1)
                QApplication::processEvents();
        }
        while (form.LogRow - firstRow < kEvents && clock.elapsed() < 60'000)
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        grid.flush();
        QApplication::processEvents();
        const double seconds = double(clock.nsecsElapsed()) / 1e9;

        const int logged = form.LogRow - firstRow;
        state.counters["events_logged"] = logged;
        state.counters["events_per_s"] = logged / seconds;
        state.counters["boxes"] = dialogs.boxes;
        printer.Close();
    }
}
BENCHMARK(BM_StatusUpdateEvents)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return runWidgetBenchmarks(argc, argv);
}
