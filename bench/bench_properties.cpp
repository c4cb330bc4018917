#include "CountingDialogs.h"
#include "WidgetBenchmarkMain.h"
#include "backends/sim/SimulatedDevices.h"
#include "opos/DeviceRegistry.h"
#include "opos/PosPrinter.h"
#include "properties/PrinterPropertyReader.h"
#include "properties/PropertyListing.h"
#include "services/FlexGridModel.h"
#include "services/FormState.h"

#include <QLabel>
#include <QPushButton>
#include <QTableView>

namespace {

// Counts boxes instead of showing them; a listing of the simulated printer shows none.
// One Get Properties click: all 131 properties read from the simulated printer and written
// into the grid, from a printer that is opened, claimed and enabled. With a view attached the
// rows are also published to it and painted, as on screen.
void BM_ListAllProperties(benchmark::State& state)
{
    const bool withView = state.range(0) != 0;
    sim::SimulatedDevices devices;
    opos::DeviceRegistry registry;
    devices.registerWith(registry);
    opos::PosPrinter printer(registry, opos::ControlOptions{});
    printer.Open(sim::kPrinterName);
    printer.ClaimDevice(1000);
    printer.SetDeviceEnabled(true);

    FlexGridModel grid(3);
    grid.SetRows(16);
    QTableView view;
    if (withView) {
        view.setModel(&grid);
        view.resize(540, 190);
        view.show();
    }
    QPushButton cmdWriteProp;
    QLabel label15;
    CountingDialogs dialogs;
    FormState form;
    const properties::PrinterPropertyReader reader(printer, dialogs);
    properties::PropertyListing listing(printer, reader, grid, form, cmdWriteProp, label15,
                                        dialogs);

    for (auto _ : state) {
        listing.cmdReadProp_Click();
        if (withView) {
            grid.flush();
            view.viewport()->repaint();
        }
        benchmark::DoNotOptimize(grid.Rows());
    }
    state.counters["rows"] = grid.Rows() - 2;
    state.counters["boxes"] = dialogs.boxes;
    state.SetItemsProcessed(state.iterations() * (grid.Rows() - 2));
}
BENCHMARK(BM_ListAllProperties)->Arg(0)->Arg(1)->ArgName("view")->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    return runWidgetBenchmarks(argc, argv);
}
