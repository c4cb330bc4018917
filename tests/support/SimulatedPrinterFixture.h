#pragma once

#include "backends/sim/SimulatedDevices.h"
#include "opos/DeviceRegistry.h"
#include "opos/OposConstants.h"
#include "opos/PosPrinter.h"

#include <QTest>
#include <memory>

// A control object over fresh simulated devices: a test class derives from it and calls
// build() in init() and tearDown() in cleanup(), so that every test starts afresh.
class SimulatedPrinterFixture
{
protected:
    void build()
    {
        devices = std::make_unique<sim::SimulatedDevices>();
        registry = std::make_unique<opos::DeviceRegistry>();
        devices->registerWith(*registry);
        printer = std::make_unique<opos::PosPrinter>(*registry, opos::ControlOptions{});
    }
    // The control object lets go of the device before the device goes.
    void tearDown()
    {
        printer.reset();
        registry.reset();
        devices.reset();
    }
    sim::SimulatedPrinter& device() { return devices->printer(); }
    void enablePrinter()
    {
        QCOMPARE(printer->Open(sim::kPrinterName), opos::OPOS_SUCCESS);
        QCOMPARE(printer->ClaimDevice(0), opos::OPOS_SUCCESS);
        printer->SetDeviceEnabled(true);
        QCOMPARE(printer->ResultCode(), opos::OPOS_SUCCESS);
    }

    std::unique_ptr<sim::SimulatedDevices> devices;
    std::unique_ptr<opos::DeviceRegistry> registry;
    std::unique_ptr<opos::PosPrinter> printer;
};
