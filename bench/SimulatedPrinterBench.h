#pragma once

#include "backends/sim/SimulatedDevices.h"
#include "opos/DeviceRegistry.h"
#include "opos/PosPrinter.h"

// An enabled printer on a fresh instant simulated device, ready to print.
struct SimulatedPrinterBench
{
    sim::SimulatedDevices devices;
    opos::DeviceRegistry registry;
    opos::PosPrinter printer{registry, opos::ControlOptions{}};

    SimulatedPrinterBench()
    {
        devices.registerWith(registry);
        printer.Open(sim::kPrinterName);
        printer.ClaimDevice(1000);
        printer.SetDeviceEnabled(true);
    }
};
